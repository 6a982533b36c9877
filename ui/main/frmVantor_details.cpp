// The changes/reasons and needed files of the selected version.
#include "ui/main/frmVantor.h"

#include "app/DbCommand.h"
#include "app/MsgBox.h"
#include "app/Settings.h"
#include "data/DbError.h"
#include "data/RecordSource.h"
#include "data/SqlText.h"
#include "ui/dialogs/frmAddChanges.h"
#include "ui/dialogs/frmAddFile.h"

#include <QListWidget>

namespace {
const QString kNoVersion = QStringLiteral("You have not selected a version.");
const QString kNoRecordToEdit = QStringLiteral("You have not selected a record to edit.");
const QString kNoRecordToDelete = QStringLiteral("You have not selected a record to delete.");

template <class Dialog> void openDialog(frmVantor* main, qint16 mode)
{
    EditMode = mode;
    Dialog dlg(main);
    if (dlg.Form_Load())
        dlg.exec();
}
} // namespace

// A new record needs a version to belong to. The version line can be deselected while its
// changes and files are still listed, so this is checked rather than assumed.
void frmVantor::cmdAddChange_Click()
{
    if (SelectedKey(lstVersionDate, lstVersionID).isEmpty()) {
        MsgInform(kNoVersion);
        return;
    }
    openDialog<frmAddChanges>(this, 1);
}

// The selection, not the text, tells whether a change is chosen: a stored change may be empty.
void frmVantor::cmdEditChange_Click()
{
    if (SelectedIndex(lstChanges) < 0) {
        MsgInform(kNoRecordToEdit);
        return;
    }
    openDialog<frmAddChanges>(this, 2);
}

void frmVantor::cmdDeleteChange_Click()
{
    const QString id = SelectedKey(lstChanges, lstChangeID);
    if (id.isEmpty()) {
        MsgInform(kNoRecordToDelete);
        return;
    }
    if (!MsgConfirm(QStringLiteral("Are you sure you want to delete this change/reason?")))
        return;
    const bool ok = RunCommand(connection(), [&] {
        dataChanges->MoveFirst();
        if (!dataChanges->Find(Sql::ChangeCriterion(id, false)))
            throw DbError(QStringLiteral("The change/reason is no longer in the database."));
        dataChanges->Delete();
    });
    if (ok)
        cboSoftware_Click();
}

void frmVantor::cmdAddFile_Click()
{
    if (SelectedKey(lstVersionDate, lstVersionID).isEmpty()) {
        MsgInform(kNoVersion);
        return;
    }
    openDialog<frmAddFile>(this, 1);
}

void frmVantor::cmdEditFile_Click()
{
    if (SelectedIndex(lstFiles) < 0) {
        MsgInform(kNoRecordToEdit);
        return;
    }
    openDialog<frmAddFile>(this, 2);
}

void frmVantor::cmdDeleteFile_Click()
{
    const QString id = SelectedKey(lstFiles, lstFileID);
    if (id.isEmpty()) {
        MsgInform(kNoRecordToDelete);
        return;
    }
    if (!MsgConfirm(QStringLiteral("Are you sure you want to delete this needed file?")))
        return;
    const bool ok = RunCommand(connection(), [&] {
        dataFiles->MoveFirst();
        if (!dataFiles->Find(Sql::FileCriterion(id, false)))
            throw DbError(QStringLiteral("The needed file is no longer in the database."));
        dataFiles->Delete();
    });
    if (ok)
        cboSoftware_Click();
}
