// Choosing a title and a version: the lists and their hidden partner lists of keys.
#include "mainwindow/frmVantor.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "core/text/SortWithoutCase.h"
#include "core/text/TextFormat.h"
#include "dialogs/EditDialog.h"
#include "mainwindow/ListPair.h"
#include "widgets/DbCommand.h"

#include <QComboBox>
#include <QListWidget>
#include <QStringListModel>
#include <QToolButton>

#include <functional>

void frmVantor::SetDetailCommandsEnabled(bool enabled)
{
    for (QToolButton* b :
         {cmdAddFile, cmdEditFile, cmdDeleteFile, cmdAddChange, cmdEditChange, cmdDeleteChange})
        b->setEnabled(enabled);
}

void frmVantor::cboSoftware_Click()
{
    const QString title = cboSoftware->currentText();
    if (title.isEmpty())
        return;
    const bool ok = RunCommand(connection(), [&] {
        // The comments typed for the title shown so far are saved first.
        if (dataSoftware->RecordCount() > 0 && !dataSoftware->isEOF())
            dataSoftware->Update();
        dataSoftware->setRecordSource(Sql::SoftwareByTitle(title));
        dataSoftware->Refresh();
        if (!dataSoftware->hasCurrentRow())
            throw DbError(
                QStringLiteral("The title \"%1\" is no longer in the database.").arg(title));
        const qint64 id = CurrentSoftwareId(dataSoftware);

        ClearPair(lstVersionDate, lstVersionID);
        ClearPair(lstFiles, lstFileID);
        ClearPair(lstChanges, lstChangeID);
        dataVersions->setRecordSource(Sql::VersionsOf(id));
        FillVersionList(true);
        if (lstVersionDate->count() > 0) {
            lstVersionDate->setCurrentRow(0);
            SetDetailCommandsEnabled(true);
        } else {
            SetDetailCommandsEnabled(false);
        }

        dataProblems->setRecordSource(Sql::ProblemsOf(id));
        dataProblems->Refresh();

        for (QToolButton* b : {cmdFind, cmdFirst, cmdPrevious, cmdNext, cmdLast, cmdAddVersion,
                               cmdEditVersion, cmdDeleteVersion})
            b->setEnabled(true);
    });
    if (!ok) {
        // The title whose row is still current (with the typing kept in its boxes) is the one
        // to name; the picked one was never shown.
        QString shown;
        try {
            if (dataSoftware->hasCurrentRow())
                shown = dataSoftware->Field(QStringLiteral("SoftwareTitle")).toString();
        } catch (const DbError&) {
        }
        const QSignalBlocker block(cboSoftware);
        cboSoftware->setCurrentIndex(
            shown.isNull()
                ? -1
                : cboSoftware->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
}

namespace {
// Every row of a set from the first, only the fields a list shows. With refresh the set's SQL
// text is run again in the same pass.
void readList(RecordSource* set, bool refresh, const QStringList& fields,
              const std::function<void(const QVariant*)>& row)
{
    if (refresh) {
        set->RefreshFields(fields, row);
        return;
    }
    if (!set->isBOF())
        set->MoveFirst();
    set->WalkFields(fields, row);
}
} // namespace

void frmVantor::FillTitleList(bool refresh)
{
    QStringList titles;
    readList(dataSoftware, refresh, {QStringLiteral("SoftwareTitle")},
             [&](const QVariant* v) { titles << v[0].toString(); });
    SortWithoutCase(titles);
    const QSignalBlocker block(cboSoftware);
    // The whole list goes into the model at once, instead of one item and one row insert
    // per title.
    m_titleModel->setStringList(titles);
    cboSoftware->setCurrentIndex(-1);
}

// The keys are the tables' integer keys: QString::number gives what QVariant::toString would,
// without the general conversion for each of thousands of lines.
void frmVantor::FillVersionList(bool refresh)
{
    QStringList lines, keys;
    readList(dataVersions, refresh,
             {QStringLiteral("ReleaseNumber"), QStringLiteral("ReleaseDate"),
              QStringLiteral("ReleaseID")},
             [&](const QVariant* v) {
                 lines << VersionLine(v[0].toString(), v[1]);
                 keys << QString::number(v[2].toLongLong());
             });
    if (!dataVersions->isBOF())
        dataVersions->MoveFirst();
    ClearPair(lstVersionDate, lstVersionID);
    lstVersionDate->addItems(lines);
    lstVersionID->addItems(keys);
}

void frmVantor::FillChangeList(bool refresh)
{
    QStringList lines, keys;
    readList(dataChanges, refresh, {QStringLiteral("Change"), QStringLiteral("ChangeID")},
             [&](const QVariant* v) {
                 lines << v[0].toString();
                 keys << QString::number(v[1].toLongLong());
             });
    ClearPair(lstChanges, lstChangeID);
    lstChanges->addItems(lines);
    lstChangeID->addItems(keys);
}

void frmVantor::FillFileList(bool refresh)
{
    QStringList lines, keys;
    readList(dataFiles, refresh,
             {QStringLiteral("File"), QStringLiteral("Version"), QStringLiteral("Date"),
              QStringLiteral("FileID")},
             [&](const QVariant* v) {
                 lines << FileLine(v[0].toString(), v[1].toString(), v[2]);
                 keys << QString::number(v[3].toLongLong());
             });
    ClearPair(lstFiles, lstFileID);
    lstFiles->addItems(lines);
    lstFileID->addItems(keys);
}

void frmVantor::lstVersionDate_Click()
{
    const int row = lstVersionDate->currentRow();
    if (row < 0 || row >= lstVersionID->count())
        return; // no version: no key to read, nothing to run
    lstVersionID->setCurrentRow(row);
    const QString id = lstVersionID->item(row)->text();
    RunCommand(connection(), [&] {
        dataChanges->setRecordSource(Sql::ChangesOf(id));
        FillChangeList(true);
        dataFiles->setRecordSource(Sql::FilesOf(id));
        FillFileList(true);
        if (lstFiles->count() > 0) {
            lstFiles->setCurrentRow(0);
            lstFileID->setCurrentRow(0);
        }
    });
}

void frmVantor::lstChanges_Click()
{
    FollowSelection(lstChanges, lstChangeID);
}

void frmVantor::lstFiles_Click()
{
    FollowSelection(lstFiles, lstFileID);
}

void frmVantor::ShowNoTitleState()
{
    {
        const QSignalBlocker block(cboSoftware);
        cboSoftware->setCurrentIndex(-1);
    }
    ClearPair(lstVersionDate, lstVersionID);
    ClearPair(lstFiles, lstFileID);
    ClearPair(lstChanges, lstChangeID);
    RunCommand(connection(), [&] {
        if (!dataSoftware->isEOF())
            dataSoftware->WalkToEnd([] {});
        dataProblems->Close();
    });
    for (QToolButton* b : {cmdAddVersion, cmdEditVersion, cmdDeleteVersion})
        b->setEnabled(false);
    SetDetailCommandsEnabled(false);
}
