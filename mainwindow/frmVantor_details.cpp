// The changes/reasons and needed files of the selected version.
#include "mainwindow/frmVantor.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "dialogs/frmAddChanges.h"
#include "dialogs/frmAddFile.h"
#include "mainwindow/ListPair.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <QComboBox>
#include <QListWidget>

frmVantor::RecordList frmVantor::changeList()
{
    return {lstChanges,
            lstChangeID,
            dataChanges,
            &frmVantor::FillChangeList,
            [](const QString& id) { return Sql::ChangeCriterion(id, false); },
            QStringLiteral("Are you sure you want to delete this change/reason?"),
            QStringLiteral("The change/reason is no longer in the database.")};
}

frmVantor::RecordList frmVantor::fileList()
{
    return {lstFiles,
            lstFileID,
            dataFiles,
            &frmVantor::FillFileList,
            [](const QString& id) { return Sql::FileCriterion(id, false); },
            QStringLiteral("Are you sure you want to delete this needed file?"),
            QStringLiteral("The needed file is no longer in the database.")};
}

// A new record needs a version to belong to. The version line can be deselected while its
// changes and files are still listed, so this is checked rather than assumed. The selection,
// not the text, tells whether a record is chosen to edit: a stored change may be empty.
template <class Dialog> void frmVantor::openDetailDialog(EditMode mode, const RecordList& list)
{
    const QString releaseId = SelectedKey(lstVersionDate, lstVersionID);
    if (mode == EditMode::Add && !MsgRequire(!releaseId.isEmpty(), kNoVersionSelected))
        return;
    if (mode == EditMode::Edit &&
        !MsgRequire(SelectedIndex(list.lines) >= 0,
                    QStringLiteral("You have not selected a record to edit.")))
        return;
    const ShowSave show = {[this, list] {
                               (this->*list.fill)(false);
                               if (list.lines->count() > 0)
                                   list.lines->setCurrentRow(0);
                           },
                           [this, list] { (this->*list.fill)(false); }};
    Dialog dlg(
        this,
        {{list.set, connection(), mode}, releaseId, SelectedKey(list.lines, list.keys), show});
    if (dlg.Form_Load())
        dlg.exec();
}

void frmVantor::cmdAddChange_Click()
{
    openDetailDialog<frmAddChanges>(EditMode::Add, changeList());
}

void frmVantor::cmdEditChange_Click()
{
    openDetailDialog<frmAddChanges>(EditMode::Edit, changeList());
}

void frmVantor::cmdDeleteChange_Click()
{
    DeleteChosenRow(changeList());
}

void frmVantor::cmdAddFile_Click()
{
    openDetailDialog<frmAddFile>(EditMode::Add, fileList());
}

void frmVantor::cmdEditFile_Click()
{
    openDetailDialog<frmAddFile>(EditMode::Edit, fileList());
}

void frmVantor::cmdDeleteFile_Click()
{
    DeleteChosenRow(fileList());
}

void frmVantor::DeleteChosenRow(const RecordList& list)
{
    const QString id = SelectedKey(list.lines, list.keys);
    if (!MsgRequire(!id.isEmpty(), QStringLiteral("You have not selected a record to delete.")))
        return;
    if (!MsgConfirm(list.deleteQuestion))
        return;
    RunCommand(connection(), [&] {
        FindRow(list.set, list.criterion(id), list.missingText);
        list.set->Delete();
    });
    cboSoftware_Click();
}
