#include "dialogs/frmAddVersion.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "core/text/TextFormat.h"
#include "mainwindow/frmVantor.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
const QString kNumberField = QStringLiteral("ReleaseNumber");
const QString kDateField = QStringLiteral("ReleaseDate");

// Makes the version with the key the current row of the versions' record source.
void findVersion(RecordSource* versions, const QString& releaseId)
{
    if (!versions->isBOF())
        versions->MoveFirst();
    if (releaseId.isEmpty() || !versions->Find(Sql::ReleaseCriterion(releaseId)))
        throw DbError(QStringLiteral("The version is no longer in the database."));
}
} // namespace

frmAddVersion::frmAddVersion(frmVantor* main)
    : VantorDialog(main, "frmAddVersion", QStringLiteral("Add Version"), 2775, 1545)
{
    Label2 = makeLabel("Label2", QStringLiteral("Version"), 180, 180, 525, 195);
    txtVersion = makeLineEdit("txtVersion", 1260, 120, 1335);
    Label1 = makeLabel("Label1", QStringLiteral("Release Date"), 180, 540, 975, 195);
    dtpReleaseDate = makeDatePicker("dtpReleaseDate", 1260, 480, 1335, 315);
    cmdOK = makeButton("cmdOK", QStringLiteral("OK"), 120, 960);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("Cancel"), 1380, 960);
    setTabOrder(txtVersion, dtpReleaseDate);
    setTabOrder(dtpReleaseDate, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddVersion::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddVersion::cmdCancel_Click);
}

bool frmAddVersion::Form_Load()
{
    CenterForm(this);
    if (EditMode != 2)
        return true;
    setWindowTitle(QStringLiteral("Edit Version"));
    frmVantor* w = main();
    m_releaseId = frmVantor::SelectedKey(w->lstVersionDate, w->lstVersionID);
    return RunCommand(w->connection(), [&] {
        findVersion(w->dataVersions, m_releaseId);
        txtVersion->setText(w->dataVersions->Field(kNumberField).toString());
        // A date the picker cannot hold leaves its starting date.
        const QDate date = StoredDate(w->dataVersions->Field(kDateField));
        if (date.isValid())
            dtpReleaseDate->setDate(date);
    });
}

void frmAddVersion::cmdOK_Click()
{
    const QString number = txtVersion->text();
    if (!filledIn({number}))
        return;
    frmVantor* w = main();
    RecordSource* versions = w->dataVersions;
    bool listsTouched = false;
    const bool ok = RunCommand(w->connection(), [&] {
        if (EditMode == 2) {
            findVersion(versions, m_releaseId);
        } else {
            const qint64 softwareId = w->CurrentSoftwareId();
            versions->AddNew();
            versions->setField(QStringLiteral("SoftwareID"), softwareId);
        }
        versions->setField(kDateField, dtpReleaseDate->date());
        versions->setField(kNumberField, number);
        versions->Update();

        listsTouched = true;
        versions->Requery();
        w->FillVersionList();
        const bool any = w->lstVersionDate->count() > 0;
        if (any)
            w->lstVersionDate->setCurrentRow(0);
        w->SetDetailCommandsEnabled(any);
    });
    if (!ok) {
        // Nothing was saved; a later move of the record source must not save it either.
        versions->CancelUpdate();
        if (listsTouched)
            w->cboSoftware_Click();
        return;
    }
    unload(true);
}

void frmAddVersion::cmdCancel_Click()
{
    unload(false);
}
