#include "app/Main.h"
#include "app/CommandLine.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    // Before QApplication, which needs a display that --help, --version, --copy, the exchanges
    // of records with files and the release notes commands do without.
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    if (!commandLine.run)
        return PrintCommandLineAnswer(commandLine);
    if (commandLine.copy) {
        QCoreApplication app(argc, argv);
        return RunCopyCommand(commandLine);
    }
    if (commandLine.exchange.kind != ExchangeRequest::None) {
        QCoreApplication app(argc, argv);
        return RunExchangeCommand(commandLine.exchange, commandLine.databasePath);
    }
    if (commandLine.notes.kind != NotesRequest::Kind::None) {
        QCoreApplication app(argc, argv);
        return RunNotesCommand(commandLine.notes, commandLine.databasePath);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korvel.vantor"));
    // Windows without an icon of their own, such as a message box at start-up, show this one.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vantor.png")));
    SetDatabaseOverride(commandLine.databasePath);
    auto window = Main();
    return window ? QApplication::exec() : 1;
}
