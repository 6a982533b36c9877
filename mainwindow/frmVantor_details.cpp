// The changes/reasons and needed files of the selected version.
#include "mainwindow/frmVantor.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "dialogs/frmAddChanges.h"
#include "dialogs/frmAddFile.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <QListWidget>

namespace {
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
        MsgInform(kNoVersionSelected);
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
    DeleteChosenRow(
        lstChanges, lstChangeID, dataChanges,
        [](const QString& id) { return Sql::ChangeCriterion(id, false); },
        QStringLiteral("Are you sure you want to delete this change/reason?"),
        QStringLiteral("The change/reason is no longer in the database."));
}

void frmVantor::cmdAddFile_Click()
{
    if (SelectedKey(lstVersionDate, lstVersionID).isEmpty()) {
        MsgInform(kNoVersionSelected);
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
    DeleteChosenRow(
        lstFiles, lstFileID, dataFiles,
        [](const QString& id) { return Sql::FileCriterion(id, false); },
        QStringLiteral("Are you sure you want to delete this needed file?"),
        QStringLiteral("The needed file is no longer in the database."));
}

void frmVantor::DeleteChosenRow(const QListWidget* visible, const QListWidget* partner,
                                RecordSource* set, QString (*criterion)(const QString&),
                                const QString& question, const QString& missing)
{
    const QString id = SelectedKey(visible, partner);
    if (id.isEmpty()) {
        MsgInform(kNoRecordToDelete);
        return;
    }
    if (!MsgConfirm(question))
        return;
    RunCommand(connection(), [&] {
        if (!set->isBOF())
            set->MoveFirst();
        if (!set->Find(criterion(id)))
            throw DbError(missing);
        set->Delete();
    });
    cboSoftware_Click();
}
