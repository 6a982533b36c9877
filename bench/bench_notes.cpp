// Release notes of a large title on either engine: the export in each form (the read of the
// title, then the text), and a Markdown changelog of the same size parsed and imported into a
// new title in one transaction. The database is made fresh for the run: a file, or an empty
// database on a server.
#include "core/data/Connection.h"
#include "core/engine/Engine.h"
#include "core/notes/ChangelogParser.h"
#include "core/notes/NotesFormat.h"
#include "core/notes/NotesStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace {
constexpr int kVersions = 2000;
constexpr int kChangesPerVersion = 50; // 100,000 changes
constexpr int kFilesPerVersion = 2;
const char kTitle[] = "Release Notes Bench";

std::shared_ptr<Connection> g_db;
qint64 g_title = -1;
QString g_serverDatabase; // on a server: its name, to find the server's process for it

// The processor time the server's processes for the database have used so far, in ms: on a
// server the import's wall time is mostly theirs.
double serverCpuMs()
{
    if (g_serverDatabase.isEmpty())
        return 0;
    double ticks = 0;
    const QByteArray wanted = " " + g_serverDatabase.toUtf8() + " ";
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray title = cmdline.readAll();
        if (!title.startsWith("postgres: ") || !title.contains(wanted))
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // utime and stime are the 14th and 15th fields, after the name in brackets.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            ticks += fields.at(11).toDouble() + fields.at(12).toDouble();
    }
    return ticks * 1000 / double(sysconf(_SC_CLK_TCK));
}

// Changes as people write them: a sentence or two, now and then marks that Markdown escapes and
// a second line.
QString changeText(int version, int change)
{
    QString text = QStringLiteral("Fixed the report of version %1 when item %2 is printed twice "
                                  "in a row")
                       .arg(version)
                       .arg(change);
    if (change % 7 == 0)
        text += QStringLiteral(" (*see* [#%1] and `config_file`)").arg(version * 100 + change);
    if (change % 11 == 0)
        text += QStringLiteral("\nThe old behaviour stays behind an option.");
    return text;
}

void fill()
{
    Engine& e = g_db->engine();
    Transaction t(*g_db);
    g_title = e.insert("Software", {"SoftwareTitle"}, {QString::fromLatin1(kTitle)});
    const QDate first(2000, 1, 1);
    for (int v = 0; v < kVersions; ++v) {
        const qint64 release =
            e.insert("Versions", {"SoftwareID", "ReleaseNumber", "ReleaseDate"},
                     {g_title, QStringLiteral("%1.%2.%3").arg(v / 100).arg(v / 10 % 10).arg(v % 10),
                      first.addDays(v * 3)});
        for (int c = 0; c < kChangesPerVersion; ++c)
            e.insert("Changes", {"ReleaseID", "Change"}, {release, changeText(v, c)});
        for (int f = 0; f < kFilesPerVersion; ++f)
            e.insert("Files", {"ReleaseID", "File", "Version", "Date"},
                     {release, QStringLiteral("module%1.dll").arg(f),
                      QStringLiteral("%1.0.%2").arg(f + 1).arg(v), first.addDays(v * 3 - f)});
    }
    t.commit();
}

ReleaseNotes readTitle()
{
    return ReadTitleNotes(*g_db, g_title);
}

void Read(benchmark::State& state)
{
    size_t changes = 0;
    for (auto _ : state) {
        const ReleaseNotes notes = readTitle();
        changes = 0;
        for (const NoteVersion& v : notes.versions)
            changes += size_t(v.changes.size());
    }
    state.counters["changes"] = double(changes);
}

// The whole export: the title read, then its text in the form.
void Export(benchmark::State& state, NotesFormat format)
{
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = RenderNotes(readTitle(), format).size();
    state.counters["bytes"] = double(bytes);
}

QByteArray markdownOfTitle()
{
    static const QByteArray markdown = RenderNotes(readTitle(), NotesFormat::Markdown);
    return markdown;
}

void Parse(benchmark::State& state)
{
    const QByteArray bytes = markdownOfTitle();
    size_t versions = 0;
    for (auto _ : state)
        versions = ParseChangelog(ChangelogText(bytes)).versions.size();
    state.counters["versions"] = double(versions);
}

// The changelog read and brought into a new title in one transaction, as --import-changelog
// does; the title is deleted again between the runs.
void Import(benchmark::State& state)
{
    const QByteArray bytes = markdownOfTitle();
    int imported = 0;
    double serverMs = 0;
    for (auto _ : state) {
        const double serverBefore = serverCpuMs();
        Transaction t(*g_db);
        const ImportReport report = ImportChangelog(*g_db, QStringLiteral("Imported"),
                                                    ParseChangelog(ChangelogText(bytes)));
        t.commit();
        imported = report.changes;
        state.PauseTiming();
        serverMs += serverCpuMs() - serverBefore;
        Transaction drop(*g_db);
        g_db->engine().remove("Software", FindTitle(*g_db, QStringLiteral("Imported")).key);
        drop.commit();
        state.ResumeTiming();
    }
    state.counters["changes"] = imported;
    state.counters["MB"] = double(bytes.size()) / (1024 * 1024);
    if (!g_serverDatabase.isEmpty())
        state.counters["server_cpu_ms"] = serverMs / double(state.iterations());
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // --db=PATH-OR-URI names the database: a file that is made afresh, or an empty server
    // database; the rest goes to the benchmark library.
    QString db;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--db=", 5) == 0)
            db = QString::fromLocal8Bit(argv[i] + 5);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (db.isEmpty()) {
        std::fprintf(stderr, "usage: bench_notes --db=PATH-OR-URI [benchmark options]\n");
        return 2;
    }
    if (IsServerDatabase(db))
        g_serverDatabase = QUrl(db).path().mid(1);
    else
        QFile::remove(db);
    g_db = Connection::open(db);
    QElapsedTimer clock;
    clock.start();
    fill();
    std::printf("Wrote %d versions with %d changes and %d needed files in %.1f s\n", kVersions,
                kVersions * kChangesPerVersion, kVersions * kFilesPerVersion,
                double(clock.elapsed()) / 1000);
    benchmark::RegisterBenchmark("ReadTitle", Read)->Unit(benchmark::kMillisecond);
    for (const NotesFormatInfo& info : NotesFormats())
        benchmark::RegisterBenchmark((std::string("Export/") + info.name).c_str(), Export,
                                     info.format)
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ParseMarkdown", Parse)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ImportMarkdown", Import)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    g_db.reset();
    return 0;
}
