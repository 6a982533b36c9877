// The main window's operations on the large database, each against the same rows read by plain
// SQL through SQLite's C interface in the same run (on a server: the search against plain
// libpq). The counter "ratio" is the window's time over the plain-SQL time.
#include "bench/BenchData.h"
#include "bench/BenchSupport.h"
#include "bench/PlainLibpq.h"
#include "core/settings/Settings.h"
#include "reports/PrinterSurface.h"
#include "reports/Report.h"
#include "tests/RecordingSurface.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>

#include <fstream>
#include <functional>

namespace {

// The title list: every title with its key.
[[gnu::noinline]] size_t SqlTitles()
{
    Stmt q("SELECT [SoftwareID], [SoftwareTitle] FROM [Software]");
    std::vector<std::pair<sqlite3_int64, std::string>> rows;
    while (q.step())
        rows.emplace_back(q.integer(0), q.text(1));
    return rows.size();
}

// The changes and needed files of a version, every column the lists show.
[[gnu::noinline]] size_t SqlVersionDetails(sqlite3_int64 releaseId)
{
    const std::string id = std::to_string(releaseId);
    std::vector<std::pair<sqlite3_int64, std::string>> changes;
    Stmt c("SELECT [ChangeID], [Change] FROM [Changes] WHERE [ReleaseID] = " + id);
    while (c.step())
        changes.emplace_back(c.integer(0), c.text(1));
    struct File {
        sqlite3_int64 id;
        std::string file, version, date;
    };
    std::vector<File> files;
    Stmt f("SELECT [FileID], [File], [Version], [Date] FROM [Files] WHERE [ReleaseID] = " + id);
    while (f.step())
        files.push_back({f.integer(0), f.text(1), f.text(2), f.text(3)});
    return changes.size() + files.size();
}

// The current problem: both texts of one row.
size_t SqlProblemRow(sqlite3_int64 rowid)
{
    Stmt q("SELECT [Problem], [Solution] FROM [Problems] WHERE rowid = " + std::to_string(rowid));
    return q.step() ? q.text(0).size() + q.text(1).size() : 0;
}

// A problem set: the keys of its rows and the first row's texts.
size_t SqlProblemSet(const std::string& sql)
{
    Stmt q(sql);
    std::vector<sqlite3_int64> keys;
    while (q.step())
        keys.push_back(q.integer(0));
    if (!keys.empty())
        SqlProblemRow(keys.front());
    return keys.size();
}

// Title selection: the title's row, its versions, the first version's details and the keys of
// its problems with the first problem.
[[gnu::noinline]] size_t SqlSelectTitle(const std::string& title)
{
    Stmt s("SELECT [SoftwareID], [SoftwareTitle], [Comments] FROM [Software] WHERE "
           "[SoftwareTitle] = " +
           quoted(title));
    if (!s.step())
        return 0;
    const sqlite3_int64 softwareId = s.integer(0);
    const std::string comments = s.text(2);
    struct Version {
        sqlite3_int64 id;
        std::string number, date;
    };
    std::vector<Version> versions;
    Stmt v("SELECT [ReleaseID], [ReleaseNumber], [ReleaseDate] FROM [Versions] WHERE "
           "[SoftwareID] = " +
           std::to_string(softwareId));
    while (v.step())
        versions.push_back({v.integer(0), v.text(1), v.text(2)});
    size_t n = versions.size();
    if (!versions.empty())
        n += SqlVersionDetails(versions.front().id);
    n += SqlProblemSet("SELECT rowid FROM [Problems] WHERE [SoftwareID] = " +
                       std::to_string(softwareId));
    return n;
}

qint64 SoftwareId(const char* title)
{
    const Engine::Rows rows =
        BenchQuery(QStringLiteral("SELECT [SoftwareID] FROM [Software] WHERE [SoftwareTitle] = ?"),
                   {QString::fromUtf8(title)});
    return rows.isEmpty() ? -1 : rows.front().value(0).toLongLong();
}

// Texts of the problems the benchmark adds; they are deleted again at the end of the run.
const QString kAddedProblem = QStringLiteral("Benchmark problem: the printer driver stops "
                                             "after the first page.\nIt happens on every "
                                             "second start.");
const QString kAddedSolution = QStringLiteral("Install the driver again and start the "
                                              "spooler before the program.");

// Add, both boxes typed, OK: the dialog saves the problem and the set is read again.
bool DoAddProblem(MainWindow& w)
{
    return AnswerProblemDialog(w.cmdAddProblem, kAddedProblem, kAddedSolution);
}

// The plain-SQL side of adding a problem: one insert in its own transaction, the keys of the
// title's problems read again and the new (last) row's texts read.
size_t SqlAddProblem(sqlite3_int64 softwareId)
{
    sqlite3_exec(g_rw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    {
        Stmt ins("INSERT INTO [Problems] ([SoftwareID], [Problem], [Solution]) VALUES (?, ?, ?)",
                 g_rw);
        const QByteArray problem = kAddedProblem.toUtf8(), solution = kAddedSolution.toUtf8();
        sqlite3_bind_int64(ins.s, 1, softwareId);
        sqlite3_bind_text(ins.s, 2, problem.constData(), int(problem.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(ins.s, 3, solution.constData(), int(solution.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(ins.s) != SQLITE_DONE) {
            std::fprintf(stderr, "baseline insert: %s\n", sqlite3_errmsg(g_rw));
            std::abort();
        }
    }
    sqlite3_exec(g_rw, "COMMIT", nullptr, nullptr, nullptr);
    Stmt q("SELECT rowid FROM [Problems] WHERE [SoftwareID] = " + std::to_string(softwareId) +
               " ORDER BY rowid",
           g_rw);
    std::vector<sqlite3_int64> keys;
    while (q.step())
        keys.push_back(q.integer(0));
    Stmt row("SELECT [Problem], [Solution] FROM [Problems] WHERE rowid = " +
                 std::to_string(keys.back()),
             g_rw);
    return keys.size() + (row.step() ? row.text(0).size() + row.text(1).size() : 0);
}

void DeleteAddedProblems()
{
    BenchQuery(QStringLiteral("DELETE FROM [Problems] WHERE [Problem] = ?"), {kAddedProblem});
}

// The all-problems report of the window's set, from its menu entry, to the surface the print
// dialog hook gives.
void DoAllProblemsReport(MainWindow& w, const std::function<std::shared_ptr<PrintSurface>()>& to)
{
    Report::SetPrintDialogHook([&](QWidget*) { return to(); });
    w.mnuPrintAllProblemSolution->trigger();
    Report::SetPrintDialogHook(nullptr);
}

// The rows and columns the report prints: the title and the first version, and both texts of
// every problem.
size_t SqlAllProblems(const std::string& title)
{
    Stmt s("SELECT [SoftwareID], [SoftwareTitle] FROM [Software] WHERE [SoftwareTitle] = " +
           quoted(title));
    if (!s.step())
        return 0;
    const std::string id = std::to_string(s.integer(0));
    size_t n = s.text(1).size();
    Stmt v("SELECT [ReleaseNumber], [ReleaseDate] FROM [Versions] WHERE [SoftwareID] = " + id +
           " ORDER BY rowid LIMIT 1");
    if (v.step())
        n += v.text(0).size() + v.text(1).size();
    Stmt p("SELECT [Problem], [Solution] FROM [Problems] WHERE [SoftwareID] = " + id +
           " ORDER BY rowid");
    while (p.step())
        n += p.text(0).size() + p.text(1).size();
    return n;
}

const char* GrowthTitle(int problems)
{
    switch (problems) {
    case 1000:
        return BenchData::kGrowth1000Title;
    case 10000:
        return BenchData::kGrowth10000Title;
    default:
        return BenchData::kLargeTitle;
    }
}

// ---------------------------------------------------------------------------------------
// Benchmarks.

void BM_FormLoad(benchmark::State& state)
{
    Pair p;
    for (auto _ : state) {
        auto w = std::make_unique<frmVantor>();
        const Times tw = Measure([&] { w->Form_Load(); });
        benchmark::DoNotOptimize(child<QComboBox>(w.get(), "cboSoftware")->count());
        const Times ts = Baseline([&] { benchmark::DoNotOptimize(SqlTitles()); });
        p.add(state, tw, ts);
    }
    p.report(state);
}

void BM_SelectTitle(benchmark::State& state)
{
    const char* title = GrowthTitle(int(state.range(0)));
    MainWindow& w = Window();
    if (!ChooseTitle(state, w, title))
        return;
    Pair p;
    for (auto _ : state) {
        const Times tw = Measure([&] { w.form->cboSoftware_Click(); });
        const Times ts = Baseline([&] { benchmark::DoNotOptimize(SqlSelectTitle(title)); });
        p.add(state, tw, ts);
    }
    state.counters["problems"] = w.dataProblems->RecordCount();
    p.report(state);
}

void BM_SelectVersion(benchmark::State& state)
{
    MainWindow& w = Window();
    if (!ChooseTitle(state, w, BenchData::kLargeTitle))
        return;
    if (w.lstVersionDate->count() == 0) {
        state.SkipWithError("the large title has no versions");
        return;
    }
    const sqlite3_int64 releaseId = w.lstVersionID->item(0)->text().toLongLong();
    Pair p;
    for (auto _ : state) {
        const Times tw = Measure([&] { w.form->lstVersionDate_Click(); });
        const Times ts = Baseline([&] { benchmark::DoNotOptimize(SqlVersionDetails(releaseId)); });
        p.add(state, tw, ts);
    }
    state.counters["rows"] = w.lstChanges->count() + w.lstFiles->count();
    p.report(state);
}

void BM_Move(benchmark::State& state, Move m)
{
    MainWindow& w = Window();
    if (!ChooseTitle(state, w, GrowthTitle(int(state.range(0)))))
        return;
    w.tabGeneral->setCurrentIndex(1);
    RecordSource* set = w.dataProblems;
    const int count = set->RecordCount();
    // First and Last start from the other end, so that each reads its rows from the database
    // instead of finding them already read; Next and Previous walk on from where the one
    // before left the set, from the first and the last row.
    Pair p;
    int i = 0;
    for (auto _ : state) {
        if (m == Move::First)
            set->MoveLast();
        else if (m == Move::Last)
            set->MoveFirst();
        else if (i == 0)
            m == Move::Next ? set->MoveFirst() : set->MoveLast();
        ++i;
        const Times tw = Measure([&] { DoMove(w, m); });
        const sqlite3_int64 key = set->currentKey();
        const Times ts = Baseline([&] { benchmark::DoNotOptimize(SqlProblemRow(key)); });
        p.add(state, tw, ts);
    }
    state.counters["problems"] = count;
    p.report(state);
}

void BM_Search(benchmark::State& state, const QString& pattern)
{
    const char* title = GrowthTitle(int(state.range(0)));
    MainWindow& w = Window();
    if (!ChooseTitle(state, w, title))
        return;
    const qint64 softwareId = SoftwareId(title);
    const QString like = QString(pattern).replace(QLatin1Char('*'), QLatin1Char('%'));
    const std::string sql =
        "SELECT rowid FROM [Problems] WHERE [SoftwareID] = " + std::to_string(softwareId) +
        " AND [Problem] LIKE '" + like.toStdString() + "'";
    std::unique_ptr<PlainLibpqSearch> plain;
    if (g_server)
        plain = std::make_unique<PlainLibpqSearch>(DatabasePath);
    // The process's first dialog loads fonts and styles once; that is not the search.
    DoSearch(w, pattern);
    Pair p;
    for (auto _ : state) {
        bool answered = false;
        const Times tw = Measure([&] { answered = DoSearch(w, pattern); });
        if (!answered) {
            state.SkipWithError("the find dialog did not open");
            return;
        }
        const Times ts = Measure([&] {
            if (plain)
                benchmark::DoNotOptimize(plain->run(softwareId, like));
            else
                benchmark::DoNotOptimize(SqlProblemSet(sql));
        });
        p.add(state, tw, ts);
    }
    state.counters["matches"] = w.dataProblems->RecordCount();
    p.report(state);
    // The next benchmark starts from the title's full set again.
    w.cmdClear->click();
}

void BM_AddProblem(benchmark::State& state)
{
    MainWindow& w = Window();
    if (!ChooseTitle(state, w, BenchData::kLargeTitle))
        return;
    w.tabGeneral->setCurrentIndex(1);
    const qint64 softwareId = SoftwareId(BenchData::kLargeTitle);
    DoAddProblem(w); // as for the search: the first dialog of the process is not timed
    Pair p;
    for (auto _ : state) {
        bool answered = false;
        const Times tw = Measure([&] { answered = DoAddProblem(w); });
        if (!answered || w.txtProblem->toPlainText() != kAddedProblem) {
            state.SkipWithError("the problem was not added through the dialog");
            break;
        }
        const Times ts = Baseline([&] { benchmark::DoNotOptimize(SqlAddProblem(softwareId)); });
        p.add(state, tw, ts);
    }
    state.counters["problems"] = w.dataProblems->RecordCount();
    p.report(state);
    // The file is left as the generator wrote it, for the next run.
    DeleteAddedProblems();
    SelectTitle(w, BenchData::kLargeTitle);
}

// Arg 0: to the recording surface; 1: to a PDF file.
void BM_AllProblemsReport(benchmark::State& state)
{
    const std::string title = BenchData::MediumTitle(1);
    MainWindow& w = Window();
    if (!ChooseTitle(state, w, title.c_str()))
        return;
    const bool pdf = state.range(0) == 1;
    const QString pdfPath = g_folder->filePath(QStringLiteral("all-problems.pdf"));
    Pair p;
    int pages = 0;
    for (auto _ : state) {
        std::shared_ptr<RecordingSurface> recorded;
        QFile::remove(pdfPath);
        const Times tw = Measure([&] {
            DoAllProblemsReport(w, [&]() -> std::shared_ptr<PrintSurface> {
                if (pdf)
                    return PrinterSurface::ForPdfFile(pdfPath);
                recorded = std::make_shared<RecordingSurface>();
                return recorded;
            });
        });
        pages = recorded ? recorded->pageCount() : 0;
        if ((recorded && !recorded->ended()) || (pdf && QFileInfo(pdfPath).size() == 0)) {
            state.SkipWithError("the report did not print");
            return;
        }
        const Times ts = Baseline([&] { benchmark::DoNotOptimize(SqlAllProblems(title)); });
        p.add(state, tw, ts);
    }
    if (pdf)
        state.counters["pdf_MB"] = double(QFileInfo(pdfPath).size()) / 1048576.0;
    else
        state.counters["pages"] = pages;
    p.report(state);
}

long StatusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
            return std::stol(line.substr(n + 1));
    }
    return -1;
}

// Peak memory while each growth title is selected, and what each key of the set costs.
void BM_Memory(benchmark::State& state)
{
    MainWindow& w = Window();
    long rss[3] = {}, peak = 0;
    int counts[3] = {};
    const int sizes[3] = {1000, 10000, 100000};
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            // The high-water mark starts again at the current size.
            std::ofstream("/proc/self/clear_refs") << "5";
            const auto t = Clock::now();
            SelectTitle(w, GrowthTitle(sizes[k]));
            state.SetIterationTime(seconds(t));
            counts[k] = w.dataProblems->RecordCount();
            rss[k] = StatusKb("VmRSS");
            if (k == 2)
                peak = StatusKb("VmHWM");
        }
    }
    state.counters["peak_MB_large"] = double(peak) / 1024.0;
    state.counters["rss_MB_large"] = double(rss[2]) / 1024.0;
    state.counters["bytes_per_key"] =
        double(rss[2] - rss[0]) * 1024.0 / double(std::max(1, counts[2] - counts[0]));
}

} // namespace

void RegisterWindowBenchmarks()
{
    using benchmark::kMillisecond;
    auto reg = [](const char* name, auto fn) {
        return benchmark::RegisterBenchmark(name, fn)->UseManualTime()->Unit(kMillisecond);
    };
    reg("Memory/selectGrowthTitles", BM_Memory)->Iterations(1);
    reg("1_FormLoad/titles:10000", BM_FormLoad)->Iterations(20);
    reg("2_SelectTitle", BM_SelectTitle)
        ->ArgName("problems")
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Iterations(20);
    reg("3_SelectVersion/rows:10000", BM_SelectVersion)->Iterations(20);
    const std::pair<const char*, Move> moves[] = {{"4_MoveFirst", Move::First},
                                                  {"4_MovePrevious", Move::Previous},
                                                  {"4_MoveNext", Move::Next},
                                                  {"4_MoveLast", Move::Last}};
    for (const auto& [name, m] : moves) {
        const Move move = m;
        reg(name, [move](benchmark::State& s) { BM_Move(s, move); })
            ->ArgName("problems")
            ->Arg(1000)
            ->Arg(10000)
            ->Arg(100000)
            ->Iterations(2000);
    }
    reg("5_SearchDriver", [](benchmark::State& s) { BM_Search(s, QStringLiteral("*driver*")); })
        ->ArgName("problems")
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Iterations(5);
    // A search few problems meet, and one none meets.
    for (const char* pattern : {"*printer drive*", "*no such words*"}) {
        const QString text = QString::fromLatin1(pattern);
        reg((std::string("5_Search/\"") + pattern + '"').c_str(),
            [text](benchmark::State& s) { BM_Search(s, text); })
            ->ArgName("problems")
            ->Arg(100000)
            ->Iterations(5);
    }
    reg("6_AddProblem/problems:100000", BM_AddProblem)->Iterations(10);
    reg("7_AllProblemsReport/problems:1000", BM_AllProblemsReport)
        ->ArgName("pdf")
        ->Arg(0)
        ->Arg(1)
        ->Iterations(3);
}
