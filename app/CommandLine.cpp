#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace {

// Status for a command line the program does not understand, as getopt-style tools use.
constexpr int kUsageError = 2;

// Options that QApplication takes for itself (-style, -platform, ...): they must pass here
// untouched, since QApplication reads them from the same arguments afterwards.
void addQtOptions(QCommandLineParser& parser)
{
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "geometry", "qwindowtitle", "title", "qwindowicon",
                             "icon", "display", "name", "session", "style", "stylesheet"}) {
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
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("Open the database file PATH for this run only; the path kept in "
                       "the settings file stays as it is. A missing file is created."),
        QStringLiteral("PATH"));
    parser.addOptions({help, version, database});
    addQtOptions(parser);

    if (!parser.parse(arguments))
        return refused(parser.errorText(), program);
    if (!parser.positionalArguments().isEmpty())
        return refused(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()),
            program);
    CommandLine c;
    if (parser.isSet(help)) {
        c.run = false;
        // Qt names the program on the usage line only once QCoreApplication exists.
        const QString text = parser.helpText();
        c.output = QStringLiteral("Usage: %1 [options]\n").arg(program) +
                   text.mid(text.indexOf(QLatin1Char('\n')) + 1);
    } else if (parser.isSet(version)) {
        c.run = false;
        c.output = QStringLiteral("Vantor %1\n").arg(QStringLiteral(VANTOR_VERSION));
    } else if (parser.isSet(database)) {
        const QString path = parser.value(database);
        if (path.isEmpty())
            return refused(QStringLiteral("The option --database needs a path."), program);
        // Relative to the folder the program was started in, not to the program's folder.
        c.databasePath = QFileInfo(path).absoluteFilePath();
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
