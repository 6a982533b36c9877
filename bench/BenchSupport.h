#pragma once

// What the benchmarks share: the clock, the plain-SQL statements the window is measured against,
// and the main window with its commands, worked by their controls' names.
#include "core/engine/Engine.h"
#include "tests/WindowDriver.h"

#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

inline double threadCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Wall-clock and processor time of one piece of work. The machine is shared, so the ratio is
// taken from processor time, which other programs' load does not stretch.
// Page faults are counted too: a fault costs processor time that no instruction of the
// program accounts for, and fresh heap memory is where much of the window's time goes.
inline long threadFaults()
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

inline QString g_dbPath;
// The database is on a server: the baselines through SQLite's C interface are left out (their
// columns read 0), and the search is measured against the same query through plain libpq.
inline bool g_server = false;
inline std::unique_ptr<QTemporaryDir> g_folder;
inline std::unique_ptr<MainWindow> g_window;
inline sqlite3* g_raw = nullptr;
// The baseline's own writable handle for adding a problem.
inline sqlite3* g_rw = nullptr;
// "No matches were found" is the one message a run may see (a search over a small title).
inline int g_noMatchMessages = 0;

// A statement of plain SQL through SQLite's C interface.
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

// The benchmark's own statements, not timed, through the program's connection so that they run
// on either engine; a failure ends the run.
Engine::Rows BenchQuery(const QString& sql, const QVariantList& values = {});

// An SQL text between single quotes, every quote in it doubled.
std::string quoted(const std::string& text);

// The main window, loaded and shown once for the whole run.
std::unique_ptr<MainWindow> OpenWindow();
MainWindow& Window();
// Chooses the title in the window's list, or the title shown again; false when it is missing.
bool SelectTitle(MainWindow& w, const char* title);
// The same for a benchmark, which is skipped, saying why, when the title is missing.
bool ChooseTitle(benchmark::State& state, MainWindow& w, const char* title);

// Types into the problem dialog's boxes and presses its OK. The dialog is answered from inside
// its own event loop, which nothing runs before the command opens the dialog, so no time is
// spent waiting.
bool AnswerProblemDialog(QToolButton* command, const QString& problem, const QString& solution);

// The four moves: the buttons of the problems tab.
enum class Move { First, Previous, Next, Last };
inline void DoMove(MainWindow& w, Move m)
{
    QToolButton* const buttons[] = {w.cmdFirst, w.cmdPrevious, w.cmdNext, w.cmdLast};
    buttons[int(m)]->click();
}

// Find, "*driver*" typed into the dialog's problem box, OK.
inline bool DoSearch(MainWindow& w, const QString& pattern)
{
    return AnswerProblemDialog(w.cmdFind, pattern, QString());
}

// The plain-SQL side of an operation, where there is one for the engine.
template <typename F> Times Baseline(F&& work)
{
    return g_server ? Times{} : Measure(std::forward<F>(work));
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

// The benchmarks of the main window's operations against plain SQL (1 to 7, and memory), and of
// long texts (8), in the order they run.
void RegisterWindowBenchmarks();
void RegisterLongTextBenchmarks();
// Closes the long texts' window and removes their titles, when the run added them.
void RemoveLongTexts();
