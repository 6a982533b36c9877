#include "dialogs/frmAddSoftware.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <QLineEdit>

namespace {
const QString kTitleField = QStringLiteral("SoftwareTitle");
const QString kIdField = QStringLiteral("SoftwareID");
const QString kTableName = QStringLiteral("Software");

QString titleGone(const QString& title)
{
    return QStringLiteral("The title \"%1\" is no longer in the database.").arg(title);
}
} // namespace

frmAddSoftware::frmAddSoftware(QWidget* parent, const EditTarget& target, const QString& shownTitle,
                               ShowTitle showTitle)
    : EditDialog(parent, target, {"frmAddSoftware", "Add Software", "Edit Software", 6195, 1185}),
      m_shownTitle(shownTitle), m_showTitle(std::move(showTitle))
{
    txtSoftware = bindField(makeField("Label1", QStringLiteral("Software Name"), 150, 1095,
                                      "txtSoftware", 1350, 120, 4695),
                            kTitleField);
    makeOkCancel(3570, 600, {txtSoftware});
}

bool frmAddSoftware::loadRecord()
{
    return run([this] {
        FindRow(set(), Sql::TitleCriterion(m_shownTitle), titleGone(m_shownTitle));
        m_editedId = set()->Field(kIdField).toLongLong();
        showFields();
    });
}

bool frmAddSoftware::isDuplicate(const QString& title) const
{
    // Until the command ends no one else may add or rename a title: the check and the save
    // are one step, and two people adding one title at once get one title and one refusal.
    set()->connection()->engine().lockForAdding(kTableName);
    // Read through a record source of its own on the same connection, so that a refused title
    // leaves the shown title's row, and the comments bound to it, where they are.
    RecordSource others(QStringLiteral("dataOtherTitles"));
    others.setConnectionString(set()->connectionString());
    others.setRecordSource(Sql::kAllSoftware);
    const QString wanted = title.toUpper();
    bool found = false;
    others.RefreshFields({kIdField, kTitleField}, [&](const QVariant* v) {
        found = found || (v[0].toLongLong() != m_editedId && v[1].toString().toUpper() == wanted);
    });
    return found;
}

void frmAddSoftware::cmdOK_Click()
{
    if (!fieldsFilledIn())
        return;
    const QString title = txtSoftware->text();
    RecordSource* software = set();
    bool refused = false;
    bool shown = false;
    const bool ok = run([&] {
        // Two titles with one name would leave the second one's data out of reach, so a
        // rename is checked against the other titles as well.
        if (isDuplicate(title)) {
            refused = true;
            return;
        }
        if (editing())
            FindRow(software, kIdField + QStringLiteral(" = ") + QString::number(m_editedId),
                    titleGone(m_shownTitle));
        else
            software->AddNew();
        saveFields();
        software->Update();
        shown = true;
        m_showTitle(title);
    });
    if (refused) {
        MsgInform(QStringLiteral("You cannot have two software records with the same name."));
        return;
    }
    if (!ok) {
        // Nothing was saved; a later move of the record source must not save it either.
        software->CancelUpdate();
        if (shown)
            m_showTitle(m_shownTitle);
        return;
    }
    unload(true);
}

void frmAddSoftware::cmdCancel_Click()
{
    m_cancelPressed = true;
    unload(false);
}
