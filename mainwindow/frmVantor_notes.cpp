// Publishing a title's release notes and bringing a changelog in, from the Print button's menu.
#include "mainwindow/frmVantor.h"

#include "core/data/RecordSource.h"
#include "dialogs/frmExportNotes.h"
#include "dialogs/frmImportChangelog.h"
#include "mainwindow/ListPair.h"
#include "widgets/MsgBox.h"

#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QStringListModel>

void frmVantor::buildNotesMenu()
{
    mnuPrint->addSeparator();
    mnuExportNotes = mnuPrint->addAction(QStringLiteral("Export Release Notes..."));
    mnuExportNotes->setObjectName(QStringLiteral("mnuExportNotes"));
    mnuImportChangelog = mnuPrint->addAction(QStringLiteral("Import Changelog..."));
    mnuImportChangelog->setObjectName(QStringLiteral("mnuImportChangelog"));
    connect(mnuExportNotes, &QAction::triggered, this, &frmVantor::mnuExportNotes_Click);
    connect(mnuImportChangelog, &QAction::triggered, this, &frmVantor::mnuImportChangelog_Click);
}

void frmVantor::mnuExportNotes_Click()
{
    if (!MsgRequire(titleShown(),
                    QStringLiteral("You have not selected a software title to export.")))
        return;
    const QString releaseId = SelectedKey(lstVersionDate, lstVersionID);
    const NotesSource source{
        connection(), dataSoftware->Field(QStringLiteral("SoftwareID")).toLongLong(),
        cboSoftware->currentText(), releaseId.isEmpty() ? -1 : releaseId.toLongLong(),
        SelectedText(lstVersionDate)};
    frmExportNotes dlg(this, source);
    dlg.Form_Load();
    dlg.exec();
}

void frmVantor::mnuImportChangelog_Click()
{
    frmImportChangelog dlg(this, connection(), m_titleModel->stringList(),
                           cboSoftware->currentText());
    dlg.Form_Load();
    if (dlg.exec() != QDialog::Accepted)
        return;
    // The title the changelog went into, shown with what it holds now.
    RelistTitles(dlg.report().title);
    MsgInform(dlg.report().summary());
}
