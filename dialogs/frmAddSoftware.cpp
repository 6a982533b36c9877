#include "dialogs/frmAddSoftware.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "mainwindow/frmVantor.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kTitleField = QStringLiteral("SoftwareTitle");
const QString kIdField = QStringLiteral("SoftwareID");
} // namespace

frmAddSoftware::frmAddSoftware(frmVantor* main)
    : VantorDialog(main, "frmAddSoftware", QStringLiteral("Add Software"), 6195, 1185)
{
    Label1 = makeLabel("Label1", QStringLiteral("Software Name"), 150, 180, 1095, 195);
    txtSoftware = makeLineEdit("txtSoftware", 1350, 120, 4695);
    cmdOK = makeButton("cmdOK", QStringLiteral("OK"), 3570, 600);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("Cancel"), 4830, 600);
    setTabOrder(txtSoftware, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddSoftware::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddSoftware::cmdCancel_Click);
}

bool frmAddSoftware::Form_Load()
{
    CenterForm(this);
    m_shownTitle = main()->cboSoftware->currentText();
    if (EditMode != 2)
        return true;
    setWindowTitle(QStringLiteral("Edit Software"));
    RecordSource* software = main()->dataSoftware;
    return RunCommand(main()->connection(), [&] {
        if (!software->isBOF())
            software->MoveFirst();
        if (!software->Find(Sql::TitleCriterion(m_shownTitle)))
            throw DbError(
                QStringLiteral("The title \"%1\" is no longer in the database.").arg(m_shownTitle));
        m_editedId = software->Field(kIdField).toLongLong();
        txtSoftware->setText(software->Field(kTitleField).toString());
    });
}

bool frmAddSoftware::isDuplicate(const QString& title) const
{
    // Read through a record source of its own on the same connection, so that a refused title
    // leaves the shown title's row, and the comments bound to it, where they are.
    RecordSource others(QStringLiteral("dataOtherTitles"));
    others.setConnectionString(main()->dataSoftware->connectionString());
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
    const QString title = txtSoftware->text();
    if (!filledIn({title}))
        return;
    frmVantor* w = main();
    RecordSource* software = w->dataSoftware;
    bool refused = false;
    bool listsTouched = false;
    const bool ok = RunCommand(w->connection(), [&] {
        // Two titles with one name would leave the second one's data out of reach, so a
        // rename is checked against the other titles as well.
        if (isDuplicate(title)) {
            refused = true;
            return;
        }
        if (EditMode == 2) {
            if (!software->isBOF())
                software->MoveFirst();
            if (!software->Find(QStringLiteral("SoftwareID = ") + QString::number(m_editedId)))
                throw DbError(QStringLiteral("The title \"%1\" is no longer in the database.")
                                  .arg(m_shownTitle));
            software->setField(kTitleField, title);
            software->Update();
        } else {
            software->AddNew();
            software->setField(kTitleField, title);
            software->Update();
        }
        listsTouched = true;
        w->RelistTitles(title);
    });
    if (refused) {
        MsgInform(QStringLiteral("You cannot have two software records with the same name."));
        return;
    }
    if (!ok) {
        // Nothing was saved; a later move of the record source must not save it either.
        software->CancelUpdate();
        if (listsTouched)
            w->RelistTitles(m_shownTitle);
        return;
    }
    unload(true);
}

void frmAddSoftware::cmdCancel_Click()
{
    if (!main()->cboSoftware->currentText().isEmpty())
        main()->cboSoftware_Click();
    unload(false);
}
