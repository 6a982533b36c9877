#include "app/CommandLine.h"

#include "core/data/Connection.h"
#include "core/data/DatabaseCopy.h"
#include "core/engine/DbError.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace {

// Status for a command line the program does not understand, as getopt-style tools use.
constexpr int kUsageError = 2;

// Options that QApplication takes for itself (-style, -platform, ...): they must pass here
// untouched, since QApplication reads them from the same arguments afterwards. Its -title is
// also the --title of the commands that work on one title (see titleOption), which takes a value
// the same way and is Qt's when none of them is given.
void addQtOptions(QCommandLineParser& parser)
{
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "geometry", "qwindowtitle", "qwindowicon", "icon",
                             "display", "name", "session", "style", "stylesheet"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// A database setting from the command line: a file relative to the folder the program was
// started in, not to the program's folder; a server address as it is.
QString databaseArgument(const QString& path)
{
    return IsServerDatabase(path) ? path : QFileInfo(path).absoluteFilePath();
}

// The title that the release notes and problem commands work on.
QCommandLineOption titleOption()
{
    return {QStringLiteral("title"),
            QStringLiteral("The title for --export-notes, --import-changelog, --export-problems "
                           "and --import-problems."),
            QStringLiteral("TITLE")};
}

CommandLine refused(const QString& why, const QString& program)
{
    CommandLine c;
    c.run = false;
    c.exitCode = kUsageError;
    c.error = QStringLiteral("%1: %2\nTry '%1 --help' for the options.\n").arg(program, why);
    return c;
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    const QString program =
        arguments.isEmpty() ? QStringLiteral("vantor") : QFileInfo(arguments.first()).fileName();
    QCommandLineParser parser;
    // Qt's own options are single words after one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Keeps the release history and the support knowledge of the software "
                       "titles you publish."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show these options and end."));
    // With --export-notes, --version names the release to export.
    const bool exportingNotes = AsksForNotesExport(arguments);
    const QCommandLineOption version(
        exportingNotes ? QStringList{QStringLiteral("v")}
                       : QStringList{QStringLiteral("v"), QStringLiteral("version")},
        QStringLiteral("Show the version and end."));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("Open the database PATH (a file, or a postgresql:// address) for this "
                       "run only; the path kept in the settings file stays as it is. A missing "
                       "file is created."),
        QStringLiteral("PATH"));
    const QCommandLineOption copy(
        QStringLiteral("copy"),
        QStringLiteral("Copy every record of the database FROM into the empty database TO, keeping "
                       "their keys, and end; no window. Each is a file or a postgresql:// "
                       "address; a missing file is created. FROM may be an Access file (.mdb, "
                       ".accdb) of the earlier Vantor, which is only read."),
        QStringLiteral("FROM"));
    parser.addOptions({help, version, database, copy});
    AddExchangeOptions(parser);
    AddNotesOptions(parser, exportingNotes);
    parser.addOption(titleOption());
    parser.addPositionalArgument(
        QStringLiteral("TO"),
        QStringLiteral("The target of --copy, or OUT of --export-problems and --export-notes."),
        QStringLiteral("[TO]"));
    addQtOptions(parser);

    if (!parser.parse(arguments))
        return refused(parser.errorText(), program);
    const QStringList positional = parser.positionalArguments();
    const qsizetype wanted =
        parser.isSet(copy) || exportingNotes ? 1 : ExchangePositionalCount(parser);
    if (positional.size() > wanted)
        return refused(QStringLiteral("Unexpected argument '%1'.").arg(positional.at(wanted)),
                       program);
    CommandLine c;
    if (parser.isSet(help)) {
        c.run = false;
        // Qt names the program on the usage line only once QCoreApplication exists.
        const QString text = parser.helpText();
        c.output = QStringLiteral("Usage: %1 [options]\n       %1 --copy FROM TO\n"
                                  "       %1 [--database PATH] --dump FILE | --restore FILE\n"
                                  "       %1 [--database PATH] --export-problems html|csv "
                                  "[--title TITLE] OUT\n"
                                  "       %1 [--database PATH] --import-problems FILE --title "
                                  "TITLE\n")
                       .arg(program) +
                   NotesUsage(program) + text.mid(text.indexOf(QLatin1Char('\n')) + 1);
    } else if (parser.isSet(version)) {
        c.run = false;
        c.output = QStringLiteral("Vantor %1\n").arg(QStringLiteral(VANTOR_VERSION));
    } else if (parser.isSet(copy)) {
        if (positional.isEmpty() || parser.value(copy).isEmpty() || positional.first().isEmpty())
            return refused(QStringLiteral("The option --copy needs a database to copy from and "
                                          "one to copy to."),
                           program);
        for (const QString& address : {parser.value(copy), positional.first()}) {
            const QString why = CommandLineAddressFault(address);
            if (!why.isEmpty())
                return refused(why, program);
        }
        c.copy = true;
        c.copyFrom = databaseArgument(parser.value(copy));
        c.copyTo = databaseArgument(positional.first());
    } else {
        const QString notesRefused = ReadNotesOptions(parser, positional, c.notes);
        if (!notesRefused.isEmpty())
            return refused(notesRefused, program);
        if (parser.isSet(database)) {
            const QString path = parser.value(database);
            if (path.isEmpty())
                return refused(QStringLiteral("The option --database needs a path."), program);
            if (const QString why = CommandLineAddressFault(path); !why.isEmpty())
                return refused(why, program);
            c.databasePath = databaseArgument(path);
        }
    }
    if (c.run && !c.copy) {
        const QString why = ReadExchangeOptions(parser, positional, c.exchange);
        if (!why.isEmpty())
            return refused(why, program);
        if (c.exchange.kind != ExchangeRequest::None && c.notes.kind != NotesRequest::Kind::None)
            return refused(QStringLiteral("The release notes commands and the problem and dump "
                                          "commands cannot be given together."),
                           program);
    }
    return c;
}

CommandLine ParseCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return ParseCommandLine(arguments);
}

int PrintCommandLineAnswer(const CommandLine& commandLine)
{
    std::fputs(commandLine.output.toLocal8Bit().constData(), stdout);
    std::fputs(commandLine.error.toLocal8Bit().constData(), stderr);
    return commandLine.exitCode;
}

int RunCopyCommand(const CommandLine& commandLine)
{
    try {
        const QString summary =
            CopyDatabase(commandLine.copyFrom, commandLine.copyTo, [](const QString& line) {
                std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
            });
        std::fprintf(stdout, "%s\n", summary.toLocal8Bit().constData());
        return 0;
    } catch (const DbError& e) {
        std::fprintf(stderr, "vantor: cannot copy %s to %s: %s\n",
                     ShownDatabase(commandLine.copyFrom).toLocal8Bit().constData(),
                     ShownDatabase(commandLine.copyTo).toLocal8Bit().constData(),
                     e.text().toLocal8Bit().constData());
        return 1;
    }
}
