#include "dialogs/frmAddChanges.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "mainwindow/frmVantor.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

frmAddChanges::frmAddChanges(frmVantor* main)
    : VantorDialog(main, "frmAddChanges", QStringLiteral("Add Change/Reason"), 6450, 1185)
{
    Label1 = makeLabel("Label1", QStringLiteral("Change / Reason"), 180, 180, 1275, 195);
    txtChange = makeLineEdit("txtChange", 1560, 120, 4695);
    cmdOK = makeButton("cmdOK", QStringLiteral("OK"), 3780, 600);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("Cancel"), 5040, 600);
    setTabOrder(txtChange, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddChanges::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddChanges::cmdCancel_Click);
}

bool frmAddChanges::Form_Load()
{
    CenterForm(this);
    if (EditMode != 2)
        return true;
    setWindowTitle(QStringLiteral("Edit Change/Reason"));
    RecordSource* changes = main()->dataChanges;
    m_changeId = frmVantor::SelectedKey(main()->lstChanges, main()->lstChangeID);
    return loadDetailRow(
        changes, Sql::ChangeCriterion(m_changeId, true),
        QStringLiteral("The change/reason is no longer in the database."),
        [&] { txtChange->setText(changes->Field(QStringLiteral("Change")).toString()); });
}

void frmAddChanges::cmdOK_Click()
{
    if (!filledIn({txtChange->text()}))
        return;
    frmVantor* w = main();
    RecordSource* changes = w->dataChanges;
    const bool ok = saveDetailRow(
        {changes, QStringLiteral("ChangeID"), m_changeId, Sql::ChangeCriterion(m_changeId, true),
         QStringLiteral("The change/reason is no longer in the database."),
         [&] { changes->setField(QStringLiteral("Change"), txtChange->text()); },
         [w] { w->FillChangeList(); }, w->lstChanges});
    if (ok)
        unload(true);
}

void frmAddChanges::cmdCancel_Click()
{
    unload(false);
}
