// Adding, editing and deleting software titles and their versions.
#include "mainwindow/frmVantor.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "dialogs/frmAddSoftware.h"
#include "dialogs/frmAddVersion.h"
#include "mainwindow/ListPair.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <QComboBox>
#include <QListWidget>

void frmVantor::RelistTitles(const QString& title)
{
    RunCommand(connection(), [&] {
        dataSoftware->setRecordSource(Sql::kAllSoftware);
        FillTitleList(true);
    });
    const int index = title.isEmpty()
                          ? -1
                          : cboSoftware->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        cboSoftware->setCurrentIndex(index); // runs the software selection
    else
        ShowNoTitleState();
}

void frmVantor::openSoftwareDialog(EditMode mode)
{
    frmAddSoftware dlg(this, {dataSoftware, connection(), mode}, cboSoftware->currentText(),
                       [this](const QString& title) { RelistTitles(title); });
    if (!dlg.Form_Load())
        return;
    dlg.exec();
    // Cancel shows the title again as it was chosen; the close box leaves the window as it is.
    if (dlg.cancelPressed() && !cboSoftware->currentText().isEmpty())
        cboSoftware_Click();
}

void frmVantor::cmdAddSoftware_Click()
{
    openSoftwareDialog(EditMode::Add);
}

void frmVantor::cmdEditSoftware_Click()
{
    if (MsgRequire(!cboSoftware->currentText().isEmpty(),
                   QStringLiteral("You have not selected a record to edit.")))
        openSoftwareDialog(EditMode::Edit);
}

void frmVantor::cmdDeleteSoftware_Click()
{
    const QString title = cboSoftware->currentText();
    if (!MsgRequire(!title.isEmpty(), QStringLiteral("There is no record to delete.")))
        return;
    if (!MsgConfirm(QStringLiteral(
            "Are you sure you want to delete this software and all its related items?")))
        return;
    // Only the title's row is deleted; the database removes its versions, their changes and
    // files, and its problems with it.
    const bool ok = RunCommand(connection(), [&] {
        // Typing in the title's problem and comments is settled first, as at any move, so that
        // the delete finds those rows as this window wrote them.
        dataProblems->SavePending();
        dataSoftware->setRecordSource(Sql::kAllSoftware);
        dataSoftware->Refresh();
        FindRow(dataSoftware, Sql::TitleCriterion(title),
                QStringLiteral("The title \"%1\" is no longer in the database.").arg(title));
        dataSoftware->Delete();
        dataSoftware->Requery();
        FillTitleList();
    });
    if (!ok) {
        // The title is still there: show it again as it was chosen.
        RelistTitles(title);
        return;
    }
    // The lists and boxes still hold the deleted title's data; nothing may be added to it.
    ShowNoTitleState();
}

void frmVantor::openVersionDialog(EditMode mode)
{
    const ShowSave show = {[this] {
                               FillVersionList();
                               const bool any = lstVersionDate->count() > 0;
                               if (any)
                                   lstVersionDate->setCurrentRow(0);
                               SetDetailCommandsEnabled(any);
                           },
                           [this] { cboSoftware_Click(); }};
    frmAddVersion dlg(this, {dataVersions, connection(), mode}, dataSoftware,
                      SelectedKey(lstVersionDate, lstVersionID), show);
    if (dlg.Form_Load())
        dlg.exec();
}

void frmVantor::cmdAddVersion_Click()
{
    if (MsgRequire(titleShown(),
                   QStringLiteral("You have not selected a software record to add a version to.")))
        openVersionDialog(EditMode::Add);
}

void frmVantor::cmdEditVersion_Click()
{
    if (MsgRequire(SelectedIndex(lstVersionDate) >= 0,
                   QStringLiteral("You have not selected a record to edit.")))
        openVersionDialog(EditMode::Edit);
}

frmVantor::RecordList frmVantor::versionList()
{
    // Only the version's row is deleted; the database removes its changes and files with it.
    return {lstVersionDate,
            lstVersionID,
            dataVersions,
            &frmVantor::FillVersionList,
            Sql::ReleaseCriterion,
            QStringLiteral(
                "Are you sure you want to delete this version and all its related information?"),
            QStringLiteral("The version is no longer in the database.")};
}

void frmVantor::cmdDeleteVersion_Click()
{
    DeleteChosenRow(versionList());
}
