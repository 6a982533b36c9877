#include "dialogs/frmAddChanges.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "widgets/WindowHelpers.h"

#include <QLineEdit>

namespace {
const QString kChangeField = QStringLiteral("Change");
}

frmAddChanges::frmAddChanges(QWidget* parent, const EditTarget& target, const QString& releaseId,
                             const QString& changeId, const ShowSave& show)
    : DetailDialog(parent, target, "frmAddChanges", QStringLiteral("Add Change/Reason"), 6450, 1185,
                   {QStringLiteral("ChangeID"), Sql::ChangeCriterion,
                    QStringLiteral("The change/reason is no longer in the database.")},
                   releaseId, changeId, show)
{
    txtChange = makeField("Label1", QStringLiteral("Change / Reason"), 180, 1275, "txtChange", 1560,
                          120, 4695);
    makeOkCancel(3780, 600, {txtChange});
}

bool frmAddChanges::Form_Load()
{
    CenterForm(this);
    if (!editing())
        return true;
    setWindowTitle(QStringLiteral("Edit Change/Reason"));
    return loadRow([this] { txtChange->setText(set()->Field(kChangeField).toString()); });
}

void frmAddChanges::cmdOK_Click()
{
    if (!filledIn({txtChange->text()}))
        return;
    if (saveRow([this] { set()->setField(kChangeField, txtChange->text()); }))
        unload(true);
}
