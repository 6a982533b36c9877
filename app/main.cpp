#include "app/Main.h"
#include "app/CommandLine.h"
#include "app/Settings.h"
#include "data/Connection.h"
#include "ui/main/frmVantor.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before QApplication, which needs a display that --help and --version do without.
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    if (!commandLine.run)
        return PrintCommandLineAnswer(commandLine);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korvel.vantor"));
    SetDatabaseOverride(commandLine.databasePath);
    auto window = Main();
    const int status = window ? QApplication::exec() : 1;
    // Static objects are destroyed after Qt SQL's own globals: no connection may be left then.
    window.reset();
    Connection::closeAll();
    return status;
}
