// Times the real main window on the large database, each operation against the same rows read
// by plain SQL through SQLite's C interface in the same run. The counter "ratio" is the
// window's time over the plain-SQL time.
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "reports/PrinterSurface.h"
#include "reports/Report.h"
#include "tests/RecordingSurface.h"
#include "tests/WindowDriver.h"
#include "widgets/BoundTextBox.h"
#include "widgets/MsgBox.h"

#include "bench/BenchData.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

double threadCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Wall-clock and processor time of one piece of work. The machine is shared, so the ratio is
// taken from processor time, which other programs' load does not stretch.
// Page faults are counted too: a fault costs processor time that no instruction of the
// program accounts for, and fresh heap memory is where much of the window's time goes.
long threadFaults()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_minflt + u.ru_majflt;
}

struct Times {
    double wall = 0, cpu = 0;
    long faults = 0;
};
template <typename F> Times Measure(F&& work)
{
    const auto wall = Clock::now();
    const double cpu = threadCpu();
    const long faults = threadFaults();
    work();
    return {seconds(wall), threadCpu() - cpu, threadFaults() - faults};
}

QString g_dbPath;
std::unique_ptr<QTemporaryDir> g_folder;
std::unique_ptr<MainWindow> g_window;
sqlite3* g_raw = nullptr;
// The baseline's own writable handle for adding a problem.
sqlite3* g_rw = nullptr;
// "No matches were found" is the one message a run may see (a search over a small title).
int g_noMatchMessages = 0;

// ---------------------------------------------------------------------------------------
// Plain SQL: the baselines.

struct Stmt {
    sqlite3_stmt* s = nullptr;
    explicit Stmt(const std::string& sql, sqlite3* db = g_raw)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "baseline: %s: %s\n", sql.c_str(), sqlite3_errmsg(db));
            std::abort();
        }
    }
    ~Stmt() { sqlite3_finalize(s); }
    bool step() { return sqlite3_step(s) == SQLITE_ROW; }
    sqlite3_int64 integer(int i) { return sqlite3_column_int64(s, i); }
    std::string text(int i)
    {
        auto p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return p ? std::string(p, size_t(sqlite3_column_bytes(s, i))) : std::string();
    }
};

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

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

sqlite3_int64 SqlSoftwareId(const std::string& title)
{
    Stmt s("SELECT [SoftwareID] FROM [Software] WHERE [SoftwareTitle] = " + quoted(title));
    return s.step() ? s.integer(0) : -1;
}

// ---------------------------------------------------------------------------------------
// The window.

// Types into the problem dialog's boxes and presses its OK. The dialog is answered from inside
// its own event loop, which nothing runs before the command opens the dialog, so no time is
// spent waiting.
bool AnswerProblemDialog(QToolButton* command, const QString& problem, const QString& solution)
{
    return bool(WorkDialog(command, [&](QDialog* dialog) {
        child<QPlainTextEdit>(dialog, "txtProblem")->setPlainText(problem);
        child<QPlainTextEdit>(dialog, "txtSolution")->setPlainText(solution);
        Click(dialog, "cmdOK");
    }));
}

// The four moves: the buttons of the problems tab.
enum class Move { First, Previous, Next, Last };
void DoMove(MainWindow& w, Move m)
{
    switch (m) {
    case Move::First:
        w.cmdFirst->click();
        break;
    case Move::Previous:
        w.cmdPrevious->click();
        break;
    case Move::Next:
        w.cmdNext->click();
        break;
    case Move::Last:
        w.cmdLast->click();
        break;
    }
}

// Find, "*driver*" typed into the dialog's problem box, OK.
bool DoSearch(MainWindow& w, const QString& pattern)
{
    return AnswerProblemDialog(w.cmdFind, pattern, QString());
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
    const QByteArray problem = kAddedProblem.toUtf8();
    Stmt del("DELETE FROM [Problems] WHERE [Problem] = ?", g_rw);
    sqlite3_bind_text(del.s, 1, problem.constData(), int(problem.size()), SQLITE_TRANSIENT);
    sqlite3_step(del.s);
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

// The main window, loaded and shown once for the whole run.
std::unique_ptr<MainWindow> OpenWindow()
{
    auto form = std::make_unique<frmVantor>();
    form->Form_Load();
    form->show();
    return std::make_unique<MainWindow>(std::move(form));
}

MainWindow& Window()
{
    if (!g_window)
        g_window = OpenWindow();
    return *g_window;
}

bool SelectTitle(MainWindow& w, const char* title)
{
    const int index = w.cboSoftware->findText(QString::fromUtf8(title),
                                              Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    if (w.cboSoftware->currentIndex() == index)
        w.form->cboSoftware_Click();
    else
        w.cboSoftware->setCurrentIndex(index);
    return w.cboSoftware->currentText() == QString::fromUtf8(title);
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

// Window and plain-SQL times of every iteration. Means are reported for the wall time; the
// ratio is taken from the medians of processor time, so that the first, cold iteration and a
// burst of load on the shared machine do not decide it.
struct Pair {
    Times window, sql;
    std::vector<double> windowCpu, sqlCpu;
    double worst = 0;
    static double median(std::vector<double> v)
    {
        if (v.empty())
            return 0;
        std::sort(v.begin(), v.end());
        const size_t m = v.size() / 2;
        return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
    }
    void report(benchmark::State& state)
    {
        const double n = double(state.iterations());
        const double w = median(windowCpu), q = median(sqlCpu);
        state.counters["sql_ms"] = sql.wall / n * 1e3;
        state.counters["cpu_ms"] = w * 1e3;
        state.counters["sql_cpu_ms"] = q * 1e3;
        state.counters["ratio"] = q > 0 ? w / q : 0;
        state.counters["worst_ms"] = worst * 1e3;
        state.counters["faults"] = double(window.faults) / n;
        state.counters["sql_faults"] = double(sql.faults) / n;
    }
    void add(benchmark::State& state, const Times& w, const Times& s)
    {
        state.SetIterationTime(w.wall);
        window.wall += w.wall;
        window.cpu += w.cpu;
        window.faults += w.faults;
        sql.wall += s.wall;
        sql.cpu += s.cpu;
        sql.faults += s.faults;
        windowCpu.push_back(w.cpu);
        sqlCpu.push_back(s.cpu);
        worst = std::max(worst, w.wall);
    }
};

// ---------------------------------------------------------------------------------------
// Benchmarks.

void BM_FormLoad(benchmark::State& state)
{
    Pair p;
    for (auto _ : state) {
        auto w = std::make_unique<frmVantor>();
        const Times tw = Measure([&] { w->Form_Load(); });
        benchmark::DoNotOptimize(child<QComboBox>(w.get(), "cboSoftware")->count());
        const Times ts = Measure([&] { benchmark::DoNotOptimize(SqlTitles()); });
        p.add(state, tw, ts);
    }
    p.report(state);
}

void BM_SelectTitle(benchmark::State& state)
{
    MainWindow& w = Window();
    const char* title = GrowthTitle(int(state.range(0)));
    if (!SelectTitle(w, title)) {
        state.SkipWithError("title not in the list");
        return;
    }
    Pair p;
    for (auto _ : state) {
        const Times tw = Measure([&] { w.form->cboSoftware_Click(); });
        const Times ts = Measure([&] { benchmark::DoNotOptimize(SqlSelectTitle(title)); });
        p.add(state, tw, ts);
    }
    state.counters["problems"] = w.dataProblems->RecordCount();
    p.report(state);
}

void BM_SelectVersion(benchmark::State& state)
{
    MainWindow& w = Window();
    if (!SelectTitle(w, BenchData::kLargeTitle) || w.lstVersionDate->count() == 0) {
        state.SkipWithError("large title missing");
        return;
    }
    const sqlite3_int64 releaseId = w.lstVersionID->item(0)->text().toLongLong();
    Pair p;
    for (auto _ : state) {
        const Times tw = Measure([&] { w.form->lstVersionDate_Click(); });
        const Times ts = Measure([&] { benchmark::DoNotOptimize(SqlVersionDetails(releaseId)); });
        p.add(state, tw, ts);
    }
    state.counters["rows"] = w.lstChanges->count() + w.lstFiles->count();
    p.report(state);
}

void BM_Move(benchmark::State& state, Move m)
{
    MainWindow& w = Window();
    if (!SelectTitle(w, GrowthTitle(int(state.range(0))))) {
        state.SkipWithError("title not in the list");
        return;
    }
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
        const Times ts = Measure([&] { benchmark::DoNotOptimize(SqlProblemRow(key)); });
        p.add(state, tw, ts);
    }
    state.counters["problems"] = count;
    p.report(state);
}

void BM_Search(benchmark::State& state)
{
    MainWindow& w = Window();
    const char* title = GrowthTitle(int(state.range(0)));
    if (!SelectTitle(w, title)) {
        state.SkipWithError("title not in the list");
        return;
    }
    const std::string sql = "SELECT rowid FROM [Problems] WHERE [SoftwareID] = " +
                            std::to_string(SqlSoftwareId(title)) + " AND [Problem] LIKE '%driver%'";
    // The process's first dialog loads fonts and styles once; that is not the search.
    DoSearch(w, QStringLiteral("*driver*"));
    Pair p;
    for (auto _ : state) {
        bool answered = false;
        const Times tw = Measure([&] { answered = DoSearch(w, QStringLiteral("*driver*")); });
        if (!answered) {
            state.SkipWithError("the find dialog did not open");
            return;
        }
        const Times ts = Measure([&] { benchmark::DoNotOptimize(SqlProblemSet(sql)); });
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
    if (!SelectTitle(w, BenchData::kLargeTitle)) {
        state.SkipWithError("large title missing");
        return;
    }
    w.tabGeneral->setCurrentIndex(1);
    const sqlite3_int64 softwareId = SqlSoftwareId(BenchData::kLargeTitle);
    DoAddProblem(w); // as for the search: the first dialog of the process is not timed
    Pair p;
    for (auto _ : state) {
        bool answered = false;
        const Times tw = Measure([&] { answered = DoAddProblem(w); });
        if (!answered || w.txtProblem->toPlainText() != kAddedProblem) {
            state.SkipWithError("the problem was not added through the dialog");
            break;
        }
        const Times ts = Measure([&] { benchmark::DoNotOptimize(SqlAddProblem(softwareId)); });
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
    MainWindow& w = Window();
    const std::string title = BenchData::MediumTitle(1);
    if (!SelectTitle(w, title.c_str())) {
        state.SkipWithError("1,000-problem title missing");
        return;
    }
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
        const Times ts = Measure([&] { benchmark::DoNotOptimize(SqlAllProblems(title)); });
        p.add(state, tw, ts);
    }
    if (pdf)
        state.counters["pdf_MB"] = double(QFileInfo(pdfPath).size()) / 1048576.0;
    else
        state.counters["pages"] = pages;
    p.report(state);
}

// ---------------------------------------------------------------------------------------
// Long texts: two titles added for the run, each with a problem of a million characters
// first and two short problems after it. In one the problem is a pasted blob with nowhere to
// break a line, in the other ordinary words. A window of their own lists them; the problems
// tab is open, so the boxes are shown at their real size and wrap.

constexpr int kLongChars = 1000000;
const char* const kLongTitles[] = {"Long Line Desk", "Long Words Desk"};
std::unique_ptr<MainWindow> g_longWindow;

// Arg 0: letters and digits of a base64 blob (no "/" or "+", where a line could break);
// 1: words.
QString LongText(int kind)
{
    QString text;
    text.reserve(kLongChars + 64);
    for (int i = 0; text.size() < kLongChars; ++i)
        text += kind == 0 ? QStringLiteral("QmFzZTY0IGJsb2I9")
                          : QStringLiteral("word%1 of ordinary prose, ").arg(i % 1000);
    text.truncate(kLongChars);
    return text;
}

void Exec(const std::string& sql)
{
    if (sqlite3_exec(g_rw, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "long titles: %s: %s\n", sql.c_str(), sqlite3_errmsg(g_rw));
        std::abort();
    }
}

// Also what a run that was stopped half-way left behind.
void DeleteLongTitles()
{
    const std::string titles = "(" + quoted(kLongTitles[0]) + ", " + quoted(kLongTitles[1]) + ")";
    Exec("DELETE FROM [Problems] WHERE [SoftwareID] IN (SELECT [SoftwareID] FROM [Software] "
         "WHERE [SoftwareTitle] IN " +
         titles + ")");
    Exec("DELETE FROM [Versions] WHERE [SoftwareID] IN (SELECT [SoftwareID] FROM [Software] "
         "WHERE [SoftwareTitle] IN " +
         titles + ")");
    Exec("DELETE FROM [Software] WHERE [SoftwareTitle] IN " + titles);
}

void AddLongTitles()
{
    DeleteLongTitles();
    Exec("BEGIN IMMEDIATE");
    for (int kind = 0; kind < 2; ++kind) {
        Exec("INSERT INTO [Software] ([SoftwareTitle]) VALUES (" + quoted(kLongTitles[kind]) + ")");
        const sqlite3_int64 id = sqlite3_last_insert_rowid(g_rw);
        // The reports print the selected version; a title without one prints no report.
        Exec("INSERT INTO [Versions] ([SoftwareID], [ReleaseNumber], [ReleaseDate]) VALUES (" +
             std::to_string(id) + ", '1.0', '2026-01-01')");
        const QByteArray texts[] = {LongText(kind).toUtf8(), QByteArrayLiteral("second problem"),
                                    QByteArrayLiteral("third problem")};
        for (const QByteArray& text : texts) {
            Stmt ins("INSERT INTO [Problems] ([SoftwareID], [Problem], [Solution]) "
                     "VALUES (?, ?, 'the solution')",
                     g_rw);
            sqlite3_bind_int64(ins.s, 1, id);
            sqlite3_bind_text(ins.s, 2, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(ins.s) != SQLITE_DONE) {
                std::fprintf(stderr, "long titles: %s\n", sqlite3_errmsg(g_rw));
                std::abort();
            }
        }
    }
    Exec("COMMIT");
}

MainWindow& LongWindow()
{
    if (!g_longWindow) {
        AddLongTitles();
        g_longWindow = OpenWindow();
        g_longWindow->tabGeneral->setCurrentIndex(1);
        QApplication::processEvents();
    }
    return *g_longWindow;
}

// Shows the long title's first problem; false when it is not there.
bool ShowLongProblem(MainWindow& w, int kind)
{
    if (!SelectTitle(w, kLongTitles[kind]))
        return false;
    w.cmdFirst->click();
    QApplication::processEvents();
    return w.txtProblem->document()->characterCount() > kLongChars;
}

// The command and the painting of what it changed: the window is frozen until both are done.
template <typename F> Times MeasureShown(F&& work)
{
    return Measure([&] {
        work();
        QApplication::processEvents();
    });
}

// These have a target in time (under a second each), not against plain SQL.
struct Solo {
    std::vector<double> cpu;
    double worst = 0;
    void add(benchmark::State& state, const Times& t)
    {
        state.SetIterationTime(t.wall);
        cpu.push_back(t.cpu);
        worst = std::max(worst, t.wall);
    }
    void report(benchmark::State& state)
    {
        state.counters["cpu_ms"] = Pair::median(cpu) * 1e3;
        state.counters["worst_ms"] = worst * 1e3;
    }
};

void TypeAtEnd(QPlainTextEdit* box, QChar c)
{
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    const QString text(c);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, text);
    QApplication::sendEvent(box, &release);
}

// Choosing the title, coming from another one: the long problem is shown.
void BM_LongSelectTitle(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    Solo p;
    for (auto _ : state) {
        SelectTitle(w, kLongTitles[1 - kind]);
        QApplication::processEvents();
        const Times t = MeasureShown([&] { SelectTitle(w, kLongTitles[kind]); });
        if (w.txtProblem->document()->characterCount() <= kLongChars) {
            state.SkipWithError("the long problem was not shown");
            return;
        }
        p.add(state, t);
    }
    p.report(state);
}

// Next from the long problem to a short one, or Previous back to it.
void BM_LongMove(benchmark::State& state, Move m)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    Solo p;
    for (auto _ : state) {
        if (!ShowLongProblem(w, kind)) {
            state.SkipWithError("the long problem was not shown");
            return;
        }
        if (m == Move::Previous) {
            w.cmdNext->click();
            QApplication::processEvents();
        }
        p.add(state, MeasureShown([&] { DoMove(w, m); }));
        const bool longShown = w.txtProblem->document()->characterCount() > kLongChars;
        if (longShown != (m == Move::Previous)) {
            state.SkipWithError("the move did not go where it should");
            return;
        }
    }
    p.report(state);
}

void BM_LongMovePast(benchmark::State& state)
{
    BM_LongMove(state, Move::Next);
}
void BM_LongMoveBack(benchmark::State& state)
{
    BM_LongMove(state, Move::Previous);
}

// A character typed at the end of the long problem; the typing is dropped afterwards.
void BM_LongType(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    if (!ShowLongProblem(w, kind)) {
        state.SkipWithError("the long problem was not shown");
        return;
    }
    const int before = w.txtProblem->document()->characterCount();
    Solo p;
    for (auto _ : state)
        p.add(state, MeasureShown([&] { TypeAtEnd(w.txtProblem, QLatin1Char('x')); }));
    const bool typed =
        w.txtProblem->document()->characterCount() == before + int(state.iterations());
    w.txtProblem->document()->setModified(false);
    if (!typed)
        state.SkipWithError("the typing did not reach the box");
    p.report(state);
}

// The move that saves a character typed at the end of the long problem and shows the next.
void BM_LongSave(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    Solo p;
    for (auto _ : state) {
        if (!ShowLongProblem(w, kind)) {
            state.SkipWithError("the long problem was not shown");
            return;
        }
        const QString expected = BoundTextBox::TextOf(w.txtProblem) + QLatin1Char('y');
        TypeAtEnd(w.txtProblem, QLatin1Char('y'));
        QApplication::processEvents();
        const qint64 key = w.dataProblems->currentKey();
        p.add(state, MeasureShown([&] { w.cmdNext->click(); }));
        Stmt stored("SELECT [Problem] FROM [Problems] WHERE rowid = " + std::to_string(key), g_rw);
        if (!stored.step() || QString::fromStdString(stored.text(0)) != expected) {
            state.SkipWithError("the typing was not saved");
            return;
        }
    }
    p.report(state);
}

// Adding the long text through the dialog: the dialog's box, the save, and the main window
// showing the new problem.
void BM_LongAdd(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    const QString text = LongText(kind);
    if (!SelectTitle(w, kLongTitles[kind])) {
        state.SkipWithError("long title missing");
        return;
    }
    // As for the search: the first dialog of the process is not timed.
    AnswerProblemDialog(w.cmdAddProblem, QStringLiteral("warm-up"), QString());
    Solo p;
    for (auto _ : state) {
        bool answered = false;
        p.add(state, MeasureShown([&] {
                  answered = AnswerProblemDialog(w.cmdAddProblem, text, QStringLiteral("fix"));
              }));
        if (!answered || BoundTextBox::TextOf(w.txtProblem) != text) {
            state.SkipWithError("the problem was not added through the dialog");
            return;
        }
    }
    p.report(state);
}

// Find with the long text pasted into the dialog's problem box and a star after it (the
// saving benchmark adds to the text): the dialog's box, a search text of a million
// characters, and the first match shown.
void BM_LongFind(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    const QString text = LongText(kind);
    if (!SelectTitle(w, kLongTitles[kind])) {
        state.SkipWithError("long title missing");
        return;
    }
    Solo p;
    for (auto _ : state) {
        bool answered = false;
        p.add(state, MeasureShown([&] { answered = DoSearch(w, text + QLatin1Char('*')); }));
        if (!answered || !BoundTextBox::TextOf(w.txtProblem).startsWith(text)) {
            state.SkipWithError("the search did not find the long problem");
            return;
        }
    }
    p.report(state);
    w.cmdClear->click();
}

// The current-problem report of the long problem, to the recording surface: every display
// line of the box is one printed line.
void BM_LongPrint(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    if (!ShowLongProblem(w, kind)) {
        state.SkipWithError("the long problem was not shown");
        return;
    }
    Solo p;
    int lines = 0;
    for (auto _ : state) {
        auto recorded = std::make_shared<RecordingSurface>();
        p.add(state, Measure([&] {
                  Report::SetPrintDialogHook(
                      [&](QWidget*) -> std::shared_ptr<PrintSurface> { return recorded; });
                  w.mnuPrintCurrentProblemSolution->trigger();
                  Report::SetPrintDialogHook(nullptr);
              }));
        if (!recorded->ended()) {
            state.SkipWithError("the report did not print");
            return;
        }
        lines = int(recorded->lines().size());
    }
    state.counters["lines"] = lines;
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

int main(int argc, char** argv)
{
    // --db=PATH names the database; everything else goes to the benchmark library.
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--db=", 5) == 0)
            g_dbPath = QString::fromLocal8Bit(argv[i] + 5);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (g_dbPath.isEmpty() || !QFileInfo::exists(g_dbPath)) {
        std::fprintf(stderr, "usage: bench_vantor --db=PATH [benchmark options]\n"
                             "  PATH is a database written by gen_vantor_db\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);

    // A program folder of its own whose settings file names the benchmark's database.
    g_folder = std::make_unique<QTemporaryDir>();
    SetProgramFolder(g_folder->path());
    IniFilePath = g_folder->filePath(QStringLiteral("VANTOR.INI"));
    DatabasePath = QFileInfo(g_dbPath).absoluteFilePath();
    WriteIniSetting(QStringLiteral("Preferences"), QStringLiteral("Database"), DatabasePath);
    SetMsgBoxHook([](const MsgBoxCall& call) {
        if (call.text == QStringLiteral("No matches were found")) {
            ++g_noMatchMessages;
            return MsgResult::OK;
        }
        std::fprintf(stderr, "message: %s\n", qPrintable(call.text));
        std::abort(); // a message means the benchmark measured a failure
        return MsgResult::OK;
    });

    if (sqlite3_open_v2(DatabasePath.toUtf8().constData(), &g_raw, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    if (sqlite3_open_v2(DatabasePath.toUtf8().constData(), &g_rw, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(DatabasePath));
        return 1;
    }
    sqlite3_busy_timeout(g_rw, 5000);

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
    reg("5_SearchDriver", BM_Search)
        ->ArgName("problems")
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Iterations(5);
    reg("6_AddProblem/problems:100000", BM_AddProblem)->Iterations(10);
    reg("7_AllProblemsReport/problems:1000", BM_AllProblemsReport)
        ->ArgName("pdf")
        ->Arg(0)
        ->Arg(1)
        ->Iterations(3);

    auto longText = [](benchmark::internal::Benchmark* b) {
        return b->ArgName("words")->Arg(0)->Arg(1);
    };
    longText(reg("8_LongSelectTitle", BM_LongSelectTitle))->Iterations(5);
    longText(reg("8_LongMovePast", BM_LongMovePast))->Iterations(5);
    longText(reg("8_LongMoveBack", BM_LongMoveBack))->Iterations(5);
    longText(reg("8_LongTypeAtEnd", BM_LongType))->Iterations(10);
    longText(reg("8_LongSaveByMove", BM_LongSave))->Iterations(5);
    longText(reg("8_LongAddThroughDialog", BM_LongAdd))->Iterations(3);
    longText(reg("8_LongFindItself", BM_LongFind))->Iterations(3);
    longText(reg("8_LongPrintCurrent", BM_LongPrint))->Iterations(3);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window.reset();
    if (g_longWindow) {
        g_longWindow.reset();
        DeleteLongTitles();
    }
    Connection::closeAll();
    sqlite3_close(g_raw);
    sqlite3_close(g_rw);
    return 0;
}
