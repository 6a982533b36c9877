#include "app/ExchangeCommands.h"

#include "core/data/Connection.h"
#include "core/data/CopySource.h"
#include "core/data/WorkProgress.h"
#include "core/engine/DbError.h"
#include "core/exchange/DatabaseDump.h"
#include "core/exchange/ProblemCsv.h"
#include "core/exchange/ProblemExport.h"
#include "core/exchange/ProblemReader.h"
#include "core/settings/Settings.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace {
using Exchange = ExchangeRequest;

constexpr int kStopped = 130; // as a shell reports a program ended by Ctrl-C

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

// A line on standard error at most once a second, for work that takes longer than that; Ctrl-C
// stops the work at its next step.
class StderrProgress final : public WorkProgress {
public:
    StderrProgress()
    {
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        // A second Ctrl-C ends the program at once, should the work not come to a step.
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &m_previous);
        m_clock.start();
    }
    ~StderrProgress() override { sigaction(SIGINT, &m_previous, nullptr); }
    void begin(const QString& part, qint64 total) override
    {
        m_part = part;
        m_total = total;
        stopIfAsked();
    }
    void advance(qint64 done) override
    {
        stopIfAsked();
        if (m_clock.elapsed() - m_printed < 1000)
            return;
        m_printed = m_clock.elapsed();
        std::fprintf(stderr, "%s: %lld of %lld records\n", m_part.toLocal8Bit().constData(),
                     static_cast<long long>(done), static_cast<long long>(m_total));
    }

private:
    static void stopIfAsked()
    {
        if (interrupted)
            throw WorkCancelled();
    }
    struct sigaction m_previous = {};
    QElapsedTimer m_clock;
    qint64 m_printed = 0;
    QString m_part;
    qint64 m_total = 0;
};

QString absolute(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

// The database of this run: the one named by --database, else the settings file's, as the
// window would open it; the settings file is not written.
QString databaseOfRun(const QString& databasePath)
{
    IniFilePath = CurrentDataLocation().settingsFile();
    DatabasePath = ReadIniSetting(QStringLiteral("Preferences"), QStringLiteral("Database"),
                                  DefaultDatabasePath());
    SetDatabaseOverride(databasePath);
    return ConfiguredDatabasePath();
}

qint64 titleKey(const QString& database, const QString& title)
{
    const std::shared_ptr<Connection> c = Connection::open(database, OpenMode::ExistingOnly);
    return TitleKeyByName(*c, title);
}

QString importProblems(const QString& database, const ExchangeRequest& c, WorkProgress& progress)
{
    const std::vector<ProblemText> problems = ReadProblemCsv(c.file);
    const std::shared_ptr<Connection> connection =
        Connection::open(database, OpenMode::ExistingOnly);
    const qint64 title = TitleKeyByName(*connection, c.title);
    Transaction write(*connection);
    AddProblems(*connection, title, problems, progress);
    write.commit();
    return QStringLiteral("Added %1 problems from %2 to \"%3\".")
        .arg(problems.size())
        .arg(c.file, c.title);
}

QString run(const ExchangeRequest& c, const QString& database, WorkProgress& progress)
{
    switch (c.kind) {
    case Exchange::Dump: {
        DatabaseSource source(database);
        return DumpDatabase(source, c.file, progress);
    }
    case Exchange::Restore:
        return RestoreDatabase(c.file, database, progress);
    case Exchange::ExportProblems:
        return ExportProblems(
            database, c.format == QLatin1String("csv") ? ExportFormat::Csv : ExportFormat::WebPage,
            c.title.isEmpty() ? 0 : titleKey(database, c.title), c.file, progress);
    case Exchange::ImportProblems:
        return importProblems(database, c, progress);
    case Exchange::None:
        break;
    }
    return {};
}
} // namespace

void AddExchangeOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {QStringLiteral("dump"),
         QStringLiteral("Write every record of the database to FILE (JSON), and end; no window."),
         QStringLiteral("FILE")},
        {QStringLiteral("restore"),
         QStringLiteral("Put every record of the dump FILE into the database, which must be "
                        "empty (a missing file is created), and end; no window."),
         QStringLiteral("FILE")},
        {QStringLiteral("export-problems"),
         QStringLiteral("Write the problems of the title given by --title, or of every title, to "
                        "OUT as a web page (html: a file for one title, a folder for every "
                        "title) or a CSV file (csv), and end; no window."),
         QStringLiteral("FORMAT")},
        {QStringLiteral("import-problems"),
         QStringLiteral("Add the problems of the CSV FILE (header Problem,Solution) to the title "
                        "given by --title, and end; no window."),
         QStringLiteral("FILE")},
    });
}

int ExchangePositionalCount(const QCommandLineParser& parser)
{
    return parser.isSet(QStringLiteral("export-problems")) ? 1 : 0;
}

QString ReadExchangeOptions(const QCommandLineParser& parser, const QStringList& positional,
                            ExchangeRequest& c)
{
    const std::pair<const char*, Exchange::Kind> options[] = {
        {"dump", Exchange::Dump},
        {"restore", Exchange::Restore},
        {"export-problems", Exchange::ExportProblems},
        {"import-problems", Exchange::ImportProblems}};
    QStringList given;
    for (const auto& [name, exchange] : options) {
        if (parser.isSet(QLatin1String(name))) {
            given << QStringLiteral("--") + QLatin1String(name);
            c.kind = exchange;
        }
    }
    const bool titled = parser.isSet(QStringLiteral("title"));
    // Alone, -title is Qt's own option, the window's title on X11: it passes untouched.
    if (given.isEmpty())
        return {};
    if (given.size() > 1)
        return QStringLiteral("The options %1 cannot be given together.").arg(given.join(", "));
    c.title = parser.value(QStringLiteral("title"));
    if (titled && c.title.isEmpty())
        return QStringLiteral("The option --title needs the text of a title.");
    if (titled && c.kind != Exchange::ExportProblems && c.kind != Exchange::ImportProblems)
        return QStringLiteral("The option --title goes with --export-problems or "
                              "--import-problems.");
    switch (c.kind) {
    case Exchange::ExportProblems:
        c.format = parser.value(QStringLiteral("export-problems")).toLower();
        if (c.format != QLatin1String("html") && c.format != QLatin1String("csv"))
            return QStringLiteral("The option --export-problems takes html or csv, not '%1'.")
                .arg(parser.value(QStringLiteral("export-problems")));
        if (positional.isEmpty() || positional.first().isEmpty())
            return QStringLiteral("The option --export-problems needs the file or folder to "
                                  "write: OUT.");
        c.file = absolute(positional.first());
        break;
    case Exchange::ImportProblems:
        if (!titled)
            return QStringLiteral("The option --import-problems needs the title to add the "
                                  "problems to: --title TITLE.");
        c.file = absolute(parser.value(QStringLiteral("import-problems")));
        break;
    default:
        c.file = parser.value(given.first().mid(2));
        if (c.file.isEmpty())
            return QStringLiteral("The option %1 needs a file.").arg(given.first());
        c.file = absolute(c.file);
    }
    return {};
}

int RunExchangeCommand(const ExchangeRequest& c, const QString& databasePath)
{
    const QString database = databaseOfRun(databasePath);
    StderrProgress progress;
    try {
        const QString summary = run(c, database, progress);
        std::fprintf(stdout, "%s\n", summary.toLocal8Bit().constData());
        return 0;
    } catch (const WorkCancelled&) {
        std::fprintf(stderr, "vantor: stopped; nothing was written and nothing was changed.\n");
        return kStopped;
    } catch (const DbError& e) {
        std::fprintf(stderr, "vantor: %s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
}
