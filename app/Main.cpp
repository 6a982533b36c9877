#include "app/Main.h"

#include "app/AccessCopy.h"
#include "app/Splash.h"
#include "core/data/Connection.h"
#include "core/data/DbError.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"
#include "widgets/WorkProgressDialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>

#include <cstdio>

namespace {
// A database without the index Find narrows its search with gets it now, over the splash
// screen, with the window's progress dialog when there are many problems to index.
void PrepareSearch(QWidget* over)
{
    try {
        const std::shared_ptr<Connection> c = Connection::shared(ConfiguredDatabasePath());
        WorkProgressDialog progress(over, QStringLiteral("Opening Database"));
        const QString note = c->engine().prepareSearch(progress);
        if (!note.isEmpty())
            std::fprintf(stderr, "vantor: %s\n", note.toLocal8Bit().constData());
    } catch (const DbError&) {
        // Stopped, or the database went away: what was indexed stays, and the searches read
        // the rest.
    }
}
} // namespace

std::unique_ptr<frmVantor> Main()
{
    SetBusyCursor(true);
    auto splash = std::make_unique<frmSplash>();
    splash->Form_Load();
    StartupWait(1000);
    splash->lblProgress->setText(QStringLiteral("Opening Database..."));
    PaintNow(splash.get());

    const DataLocation where = CurrentDataLocation();
    CreateDataFolders(where);
    IniFilePath = where.settingsFile();
    const bool firstStart = !QFileInfo(IniFilePath).isFile();
    // Said in the window too, on the start that makes the user's own settings: from then on
    // that file is there, and standard error says it on every start.
    if (firstStart && !where.untrusted.isEmpty()) {
        splash->hide();
        MsgBox(QStringLiteral("Vantor does not use the settings and the database beside the "
                              "program, because %1. It keeps your settings in %2 and your "
                              "database in %3 instead.")
                   .arg(where.untrusted, where.settingsFolder, where.dataFolder),
               MsgIcon::Information);
        splash->show();
    }
    // A database named on the command line leaves the settings file as it is.
    if (!HasDatabaseOverride() && firstStart)
        WriteDefaultSettings();
    // Paths keep their letter case: on this file system case names another file.
    DatabasePath = ReadIniSetting(QStringLiteral("Preferences"), QStringLiteral("Database"),
                                  DefaultDatabasePath());
    // An Access file of the earlier Vantor: its records may be copied first. Declined, it is
    // refused below as every file that is no Vantor database is.
    if (OfferAccessCopy(splash->lblProgress) == AccessCopy::Failed) {
        splash.reset();
        SetBusyCursor(false);
        return nullptr;
    }

    auto window = std::make_unique<frmVantor>();
    try {
        window->Form_Load();
    } catch (const DbError& e) {
        splash.reset();
        SetBusyCursor(false);
        // A server's address may hold a password (given on the command line, say): never shown.
        MsgBox(QStringLiteral("Vantor cannot open its database\n%1\n\n%2")
                   .arg(ShownDatabase(ConfiguredDatabasePath()), e.text()),
               MsgIcon::Critical);
        return nullptr;
    }
    // After the window's first reads, on the connection they opened: a database that cannot
    // be opened is told once.
    PrepareSearch(splash.get());
    StartupWait(500);
    splash.reset();
    QApplication::processEvents();
    StartupWait(250);
    window->show();
    window->repaint();
    SetBusyCursor(false);
    return window;
}
