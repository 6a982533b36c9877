#include "dialogs/frmImportChangelog.h"

#include "core/notes/ChangelogParser.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

frmImportChangelog::frmImportChangelog(QWidget* parent, Connection* connection,
                                       const QStringList& titles, const QString& shownTitle)
    : NotesDialog(parent, "frmImportChangelog", QStringLiteral("Import Changelog"), 6450, 1635),
      m_connection(connection)
{
    cboTitle = new QComboBox(this);
    cboTitle->setObjectName(QStringLiteral("cboTitle"));
    // A name that is not in the list makes a new title.
    cboTitle->setEditable(true);
    cboTitle->setInsertPolicy(QComboBox::NoInsert);
    cboTitle->addItems(titles);
    cboTitle->setCurrentText(shownTitle);
    SetGeometryTwips(cboTitle, 1080, 120, 5250, 315);
    labelFor(cboTitle, "Label1", QStringLiteral("&Title"), 180, 120, 780);
    makeFileRow("Label2", 540, FileUse::Open);
    makeOkCancel(3840, 1020, {cboTitle, txtFile, cmdBrowse});
}

void frmImportChangelog::Form_Load()
{
    CenterForm(this);
}

QStringList frmImportChangelog::fileFilters() const
{
    return {QStringLiteral("Changelog (*.md *.markdown *.txt CHANGELOG CHANGES NEWS)"),
            QStringLiteral("All files (*)")};
}

void frmImportChangelog::cmdOK_Click()
{
    const QString title = cboTitle->currentText();
    const QString path = chosenPath();
    if (title.isEmpty() || path.isEmpty()) {
        MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
        return;
    }
    // The whole file is read before anything is written.
    Changelog log;
    try {
        log = ReadChangelogFile(path);
    } catch (const NotesError& e) {
        MsgBox(QStringLiteral("Vantor cannot import the file\n%1\n\n%2\n\nNothing was imported.")
                   .arg(path, e.text()),
               MsgIcon::Exclamation);
        return;
    }
    if (!RunCommand(m_connection, [&] { m_report = ImportChangelog(*m_connection, title, log); }))
        return;
    rememberFolder(path);
    unload(true);
}
