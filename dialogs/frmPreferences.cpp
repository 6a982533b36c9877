#include "dialogs/frmPreferences.h"

#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "widgets/AccessibleNames.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kSection = QStringLiteral("Preferences");
const QString kKey = QStringLiteral("Database");

// The file picked last in this run; the next browse starts from it.
QString& lastChosenFile()
{
    static QString file;
    return file;
}
} // namespace

frmPreferences::frmPreferences(QWidget* parent, const QString& databaseFolder)
    : VantorDialog(parent, "frmPreferences", QStringLiteral("Options"), 6570, 1275),
      m_databaseFolder(databaseFolder)
{
    txtDatabase =
        makeField("Label1", QStringLiteral("Database"), 180, 690, "txtDatabase", 960, 120, 5475);
    cmdBrowse = makeButton("cmdBrowse", QStringLiteral("..."), 6030, 150, 375, 265);
    NameControl(cmdBrowse, QStringLiteral("Browse for the database"),
                QStringLiteral("Picks the database file in a file dialog"));
    makeOkCancel(3960, 660);

    QFont bold = cmdBrowse->font();
    bold.setBold(true);
    bold.setPointSizeF(9.75);
    cmdBrowse->setFont(bold);
    // The button sits over the right end of the box; keep typed text clear of it.
    cmdBrowse->raise();
    txtDatabase->setTextMargins(0, 0, twips(6435 - 6030), 0);

    SetTabOrder({cmdCancel, cmdOK, txtDatabase, cmdBrowse});
    cmdCancel->setFocus();

    connect(cmdBrowse, &QPushButton::clicked, this, &frmPreferences::cmdBrowse_Click);
}

void frmPreferences::Form_Load()
{
    CenterForm(this);
    txtDatabase->setText(ReadIniSetting(kSection, kKey, DefaultDatabasePath()));
}

// A server address has no folder: a file for it is most likely wanted among the user's own.
QString frmPreferences::browseFolder() const
{
    if (IsServerDatabase(txtDatabase->text()) || m_databaseFolder.isEmpty())
        return QDir::homePath();
    return m_databaseFolder;
}

void frmPreferences::cmdBrowse_Click()
{
    QFileDialog dlg(this, QStringLiteral("Open"), browseFolder(),
                    QStringLiteral("Vantor Database (vantor.mdb)"));
    // Our own dialog, so the filter lists the file in any letter case on every desktop.
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setFilter(dlg.filter() & ~QDir::CaseSensitive);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    // A new file may be named: the database is created on the next start.
    dlg.setFileMode(QFileDialog::AnyFile);
    const QString last = lastChosenFile();
    if (!last.isEmpty() && !IsServerDatabase(txtDatabase->text())) {
        const QFileInfo info(last);
        dlg.selectFile(info.dir().exists() ? info.absoluteFilePath() : info.fileName());
    }
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QStringList files = dlg.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return;
    lastChosenFile() = files.first();
    txtDatabase->setText(files.first());
}

void frmPreferences::cmdOK_Click()
{
    QString path = txtDatabase->text();
    // Blanks around an address are a slip of the paste; kept, they would make it a file name
    // and hide a password in it from the check below.
    if (IsServerDatabase(path.trimmed()))
        path = path.trimmed();
    if (path.isEmpty()) {
        MsgBox(QStringLiteral("You must provide the path to the database."), MsgIcon::Exclamation);
        return;
    }
    if (path.contains(QLatin1Char('\n'))) {
        // A line of the settings file holds one value; the rest would become lines of its own.
        MsgBox(QStringLiteral("The path to the database cannot hold a line break."),
               MsgIcon::Exclamation);
        return;
    }
    const QString fault = DatabaseSettingFault(path);
    if (!fault.isEmpty()) {
        MsgBox(fault, MsgIcon::Exclamation);
        return;
    }
    if (!WriteIniSetting(kSection, kKey, path)) {
        // Closing would let the user believe the new path is kept.
        const bool link = QFileInfo(IniFilePath).isSymLink();
        MsgBox(QStringLiteral("Vantor cannot write its settings file\n%1%2")
                   .arg(IniFilePath, link ? QStringLiteral("\n\nIt is a symbolic link, and "
                                                           "Vantor writes no settings through "
                                                           "one.")
                                          : QString()),
               MsgIcon::Critical);
        return;
    }
    unload(true);
}
