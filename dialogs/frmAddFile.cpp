#include "dialogs/frmAddFile.h"

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

frmAddFile::frmAddFile(frmVantor* main)
    : VantorDialog(main, "frmAddFile", QStringLiteral("Add Needed File"), 4455, 1545)
{
    Label2 = makeLabel("Label2", QStringLiteral("Filename"), 180, 180, 630, 195);
    txtFile = makeLineEdit("txtFile", 900, 120, 3375);
    Label1 = makeLabel("Label1", QStringLiteral("Version"), 180, 540, 525, 195);
    txtVersion = makeLineEdit("txtVersion", 900, 480, 1335);
    Label3 = makeLabel("Label3", QStringLiteral("Date"), 2520, 540, 345, 195);
    dtpDate = makeDatePicker("dtpDate", 2940, 480, 1335, 315);
    cmdOK = makeButton("cmdOK", QStringLiteral("OK"), 1800, 960);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("Cancel"), 3060, 960);
    setTabOrder(txtFile, txtVersion);
    setTabOrder(txtVersion, dtpDate);
    setTabOrder(dtpDate, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddFile::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddFile::cmdCancel_Click);
    connect(dtpDate, &QDateEdit::dateChanged, this, [this] { m_datePicked = true; });
}

bool frmAddFile::Form_Load()
{
    CenterForm(this);
    if (EditMode != 2)
        return true;
    setWindowTitle(QStringLiteral("Edit Needed File"));
    RecordSource* files = main()->dataFiles;
    m_fileId = frmVantor::SelectedKey(main()->lstFiles, main()->lstFileID);
    return loadDetailRow(
        files, Sql::FileCriterion(m_fileId, true),
        QStringLiteral("The needed file is no longer in the database."), [&] {
            txtFile->setText(files->Field(QStringLiteral("File")).toString());
            txtVersion->setText(files->Field(QStringLiteral("Version")).toString());
            const QVariant stored = files->Field(QStringLiteral("Date"));
            const QDate date = StoredDate(stored);
            if (date.isValid() && date >= dtpDate->minimumDate() && date <= dtpDate->maximumDate())
                dtpDate->setDate(date);
            else
                m_dateUnshown = true;
            m_unshownDate = stored;
            m_datePicked = false;
        });
}

void frmAddFile::cmdOK_Click()
{
    if (!filledIn({txtFile->text(), txtVersion->text()}))
        return;
    frmVantor* w = main();
    RecordSource* files = w->dataFiles;
    // Editing only the name of a file whose date could not be shown keeps that date.
    const QVariant date =
        EditMode == 2 && m_dateUnshown && !m_datePicked ? m_unshownDate : QVariant(dtpDate->date());
    const bool ok = saveDetailRow(
        {files, QStringLiteral("FileID"), m_fileId, Sql::FileCriterion(m_fileId, true),
         QStringLiteral("The needed file is no longer in the database."),
         [&] {
             files->setField(QStringLiteral("File"), txtFile->text());
             files->setField(QStringLiteral("Version"), txtVersion->text());
             files->setField(QStringLiteral("Date"), date);
         },
         [w] { w->FillFileList(); }, w->lstFiles});
    if (ok)
        unload(true);
}

void frmAddFile::cmdCancel_Click()
{
    unload(false);
}
