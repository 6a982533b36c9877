// The record sources on either engine with the benchmark's large database: choosing the large
// title, moving through its problems, and the search, for a server beside the same query sent
// through plain libpq in the same run. Optionally copies the database into the server first and
// back into a file after, and times both copies.
#include "core/data/Connection.h"
#include "core/data/DatabaseCopy.h"
#include "core/data/RecordSource.h"
#include "core/data/WorkProgress.h"
#include "core/sql/SqlText.h"

#include "bench/BenchData.h"
#include "bench/PlainLibpq.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <libpq-fe.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
QString g_db;
std::unique_ptr<RecordSource> g_titles, g_versions, g_problems;
qint64 g_large = -1;

std::unique_ptr<RecordSource> source(const char* name)
{
    auto s = std::make_unique<RecordSource>(QString::fromLatin1(name));
    s->setConnectionString(ConnectionText(g_db));
    return s;
}

// What choosing a title reads below the windows: the title's row, its versions for the list,
// and the keys of its problems with the first of them.
void chooseLargeTitle()
{
    g_titles->setRecordSource(Sql::SoftwareByTitle(QString::fromLatin1(BenchData::kLargeTitle)));
    g_titles->Refresh();
    g_large = g_titles->Field("SoftwareID").toLongLong();
    g_versions->setRecordSource(Sql::VersionsOf(g_large));
    int lines = 0;
    g_versions->RefreshFields({"ReleaseID", "ReleaseNumber", "ReleaseDate"},
                              [&](const QVariant*) { ++lines; });
    g_problems->setRecordSource(Sql::ProblemsOf(g_large));
    g_problems->Refresh();
    benchmark::DoNotOptimize(g_problems->Field("Problem"));
}

void ChooseLargeTitle(benchmark::State& state)
{
    for (auto _ : state)
        chooseLargeTitle();
    state.counters["problems"] = g_problems->RecordCount();
}

// Next through the problems: a block of rows is read once, then each move is served from it.
void MoveNext(benchmark::State& state)
{
    chooseLargeTitle();
    for (auto _ : state) {
        g_problems->MoveNext();
        if (g_problems->isEOF())
            g_problems->MoveFirst();
        benchmark::DoNotOptimize(g_problems->Field("Problem"));
    }
}

// First and Last in turn: every move reads a block it does not hold.
void MoveFirstLast(benchmark::State& state)
{
    chooseLargeTitle();
    bool last = false;
    for (auto _ : state) {
        if ((last = !last))
            g_problems->MoveLast();
        else
            g_problems->MoveFirst();
        benchmark::DoNotOptimize(g_problems->Field("Problem"));
    }
}

const char kSearch[] = "%driver%";

void search(benchmark::State& state, const char* pattern)
{
    chooseLargeTitle();
    for (auto _ : state) {
        g_problems->setRecordSource(Sql::ProblemSearch(g_large, QString::fromLatin1(pattern), {}));
        g_problems->Refresh();
    }
    state.counters["matches"] = g_problems->RecordCount();
}

void SearchDriver(benchmark::State& state)
{
    search(state, kSearch);
}

// A search that few rows meet, and one with a wildcard inside, which the index narrows and
// the matcher decides.
void SearchTwoWords(benchmark::State& state)
{
    search(state, "%printer drive%");
}

void SearchWildcard(benchmark::State& state)
{
    search(state, "%printer%drive_%");
}

// The same search through libpq alone.
void SearchDriverPlainLibpq(benchmark::State& state)
{
    chooseLargeTitle();
    PlainLibpqSearch plain(g_db);
    size_t matches = 0;
    for (auto _ : state)
        matches = plain.run(g_large, QString::fromLatin1(kSearch)).size();
    state.counters["matches"] = double(matches);
}

// A problem of the benchmark's usual length, added and then changed, each in its own
// transaction as a command does it: what the index's triggers add to a write.
const QString kText =
    QString(QStringLiteral("The printer driver stops after one page. ")).repeated(16);
qint64 g_written = -1;

void InsertProblem(benchmark::State& state)
{
    Connection& c = *Connection::shared(g_db);
    for (auto _ : state) {
        Transaction t(c);
        g_written =
            c.engine().insert(QStringLiteral("Problems"), {"SoftwareID", "Problem", "Solution"},
                              {g_large, kText, kText});
        t.commit();
    }
}

void UpdateProblem(benchmark::State& state)
{
    Connection& c = *Connection::shared(g_db);
    int i = 0;
    for (auto _ : state) {
        Transaction t(c);
        c.engine().update(QStringLiteral("Problems"), g_written, {"Problem"},
                          {kText + QString::number(++i)});
        t.commit();
    }
}

// A problem added, then the search that folds it into the index first: beside InsertProblem
// and SearchDriver, what a write costs the index.
void InsertThenSearch(benchmark::State& state)
{
    Connection& c = *Connection::shared(g_db);
    chooseLargeTitle();
    for (auto _ : state) {
        Transaction t(c);
        c.engine().insert(QStringLiteral("Problems"), {"SoftwareID", "Problem", "Solution"},
                          {g_large, kText, kText});
        t.commit();
        g_problems->setRecordSource(Sql::ProblemSearch(g_large, QString::fromLatin1(kSearch), {}));
        g_problems->Refresh();
    }
}

// Drops Find's index, for the writes' figures without it.
void dropSearchIndex()
{
    if (IsServerDatabase(g_db)) {
        PGconn* c = PQconnectdb(g_db.toUtf8().constData());
        PQclear(PQexec(
            c, "DROP TABLE IF EXISTS problemsfoldedtext, problemsfoldversion, problemsfoldpending;"
               "DROP FUNCTION IF EXISTS vantor_fold_pending CASCADE"));
        PQfinish(c);
        return;
    }
    for (const char* sql :
         {"DROP TRIGGER IF EXISTS ProblemsFoldInsert", "DROP TRIGGER IF EXISTS ProblemsFoldUpdate",
          "DROP TRIGGER IF EXISTS ProblemsFoldDelete", "DROP TABLE IF EXISTS ProblemsFolded",
          "DROP TABLE IF EXISTS ProblemsFoldPending", "VACUUM"})
        Connection::shared(g_db)->run(QString::fromLatin1(sql));
}

void timedCopy(const QString& from, const QString& to)
{
    QElapsedTimer clock;
    clock.start();
    const QString summary = CopyDatabase(
        from, to, [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); });
    std::printf("%s\n(%.1f s)\n", qPrintable(summary), double(clock.elapsed()) / 1000);
}

QByteArray peakMemory()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM"))
            return line.simplified();
    }
    return {};
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // --db=PATH-OR-URI names the database; --copy-from=FILE copies FILE into it first and
    // --copy-back=FILE copies it into FILE at the end; the rest goes to the benchmark library.
    QString copyFrom, copyBack;
    bool withoutIndex = false;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--db=", 5) == 0)
            g_db = QString::fromLocal8Bit(argv[i] + 5);
        else if (std::strncmp(argv[i], "--copy-from=", 12) == 0)
            copyFrom = QString::fromLocal8Bit(argv[i] + 12);
        else if (std::strcmp(argv[i], "--without-search-index") == 0)
            withoutIndex = true;
        else if (std::strncmp(argv[i], "--copy-back=", 12) == 0)
            copyBack = QString::fromLocal8Bit(argv[i] + 12);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (g_db.isEmpty()) {
        std::fprintf(stderr, "usage: bench_engine --db=PATH-OR-URI [--copy-from=FILE] "
                             "[--copy-back=FILE] [benchmark options]\n");
        return 2;
    }
    if (!copyFrom.isEmpty())
        timedCopy(copyFrom, g_db);
    if (withoutIndex) {
        dropSearchIndex();
    } else {
        QElapsedTimer clock;
        clock.start();
        NoProgress none;
        const QString note = Connection::shared(g_db)->engine().prepareSearch(none);
        std::printf("search index ready in %lld ms %s\n", static_cast<long long>(clock.elapsed()),
                    qPrintable(note));
    }
    g_titles = source("dataSoftware");
    g_versions = source("dataVersions");
    g_problems = source("dataProblems");
    benchmark::RegisterBenchmark("ChooseLargeTitle", ChooseLargeTitle)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("MoveNext", MoveNext)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MoveFirstLast", MoveFirstLast)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SearchDriver", SearchDriver)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SearchTwoWords", SearchTwoWords)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SearchWildcard", SearchWildcard)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("InsertProblem", InsertProblem)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(200);
    benchmark::RegisterBenchmark("UpdateProblem", UpdateProblem)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(200);
    benchmark::RegisterBenchmark("InsertThenSearch", InsertThenSearch)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20);
    if (IsServerDatabase(g_db))
        benchmark::RegisterBenchmark("SearchDriverPlainLibpq", SearchDriverPlainLibpq)
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("%s\n", peakMemory().constData());
    g_titles.reset();
    g_versions.reset();
    g_problems.reset();
    if (!copyBack.isEmpty())
        timedCopy(g_db, copyBack);
    Connection::closeAll();
    return 0;
}
