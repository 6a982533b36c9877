// Long texts: two titles added for the run, each with a problem of a million characters first
// and two short problems after it. In one the problem is a pasted blob with nowhere to break a
// line, in the other ordinary words. A window of their own lists them; the problems tab is open,
// so the boxes are shown at their real size and wrap. These have a target in time, not a ratio
// against plain SQL.
#include "bench/BenchSupport.h"
#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "reports/Report.h"
#include "tests/RecordingSurface.h"
#include "widgets/BoundTextBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <functional>

namespace {

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

const QVariantList kLongTitleValues = {QString::fromLatin1(kLongTitles[0]),
                                       QString::fromLatin1(kLongTitles[1])};

// Also what a run that was stopped half-way left behind.
void DeleteLongTitles()
{
    for (const char* table : {"Problems", "Versions"})
        BenchQuery(
            QStringLiteral("DELETE FROM [%1] WHERE [SoftwareID] IN (SELECT [SoftwareID] FROM "
                           "[Software] WHERE [SoftwareTitle] IN (?, ?))")
                .arg(QLatin1String(table)),
            kLongTitleValues);
    BenchQuery(QStringLiteral("DELETE FROM [Software] WHERE [SoftwareTitle] IN (?, ?)"),
               kLongTitleValues);
}

void AddLongTitles()
{
    DeleteLongTitles();
    Connection& db = *Connection::shared(DatabasePath);
    Transaction t(db);
    for (int kind = 0; kind < 2; ++kind) {
        const QVariant title = kLongTitleValues[kind];
        BenchQuery(QStringLiteral("INSERT INTO [Software] ([SoftwareTitle]) VALUES (?)"), {title});
        const QVariant id = BenchQuery(QStringLiteral("SELECT [SoftwareID] FROM [Software] WHERE "
                                                      "[SoftwareTitle] = ?"),
                                       {title})
                                .value(0)
                                .value(0);
        // The reports print the selected version; a title without one prints no report.
        BenchQuery(QStringLiteral("INSERT INTO [Versions] ([SoftwareID], [ReleaseNumber], "
                                  "[ReleaseDate]) VALUES (?, '1.0', '2026-01-01')"),
                   {id});
        for (const QString& text :
             {LongText(kind), QStringLiteral("second problem"), QStringLiteral("third problem")})
            BenchQuery(
                QStringLiteral("INSERT INTO [Problems] ([SoftwareID], [Problem], [Solution]) "
                               "VALUES (?, ?, 'the solution')"),
                {id, text});
    }
    t.commit();
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

// Shows the long title's first problem; false, and the benchmark skipped, when it is not there.
bool ShowLongProblem(benchmark::State& state, MainWindow& w, int kind)
{
    if (SelectTitle(w, kLongTitles[kind])) {
        w.cmdFirst->click();
        QApplication::processEvents();
        if (w.txtProblem->document()->characterCount() > kLongChars)
            return true;
    }
    state.SkipWithError("the long problem was not shown");
    return false;
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

// Each iteration starts from the long problem shown; step times what follows and returns why
// it failed, or null.
void EachFromLongProblem(benchmark::State& state,
                         const std::function<const char*(MainWindow&, Solo&)>& step)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    Solo p;
    for (auto _ : state) {
        if (!ShowLongProblem(state, w, kind))
            return;
        if (const char* failure = step(w, p)) {
            state.SkipWithError(failure);
            return;
        }
    }
    p.report(state);
}

// Next from the long problem to a short one, or Previous back to it.
void BM_LongMove(benchmark::State& state, Move m)
{
    EachFromLongProblem(state, [&](MainWindow& w, Solo& p) -> const char* {
        if (m == Move::Previous) {
            w.cmdNext->click();
            QApplication::processEvents();
        }
        p.add(state, MeasureShown([&] { DoMove(w, m); }));
        const bool longShown = w.txtProblem->document()->characterCount() > kLongChars;
        return longShown == (m == Move::Previous) ? nullptr : "the move did not go where it should";
    });
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
    if (!ShowLongProblem(state, w, kind))
        return;
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
    EachFromLongProblem(state, [&](MainWindow& w, Solo& p) -> const char* {
        const QString expected = BoundTextBox::TextOf(w.txtProblem) + QLatin1Char('y');
        TypeAtEnd(w.txtProblem, QLatin1Char('y'));
        QApplication::processEvents();
        const qint64 key = w.dataProblems->currentKey();
        p.add(state, MeasureShown([&] { w.cmdNext->click(); }));
        const Engine::Rows stored = BenchQuery(
            QStringLiteral("SELECT [Problem] FROM [Problems] WHERE [ProblemID] = ?"), {key});
        return stored.value(0).value(0).toString() == expected ? nullptr
                                                               : "the typing was not saved";
    });
}

// Times a command through a dialog on the long title, which must leave the window showing what
// done checks.
void TimeDialog(benchmark::State& state, const std::function<bool()>& command,
                const std::function<bool()>& done, const char* failure)
{
    Solo p;
    for (auto _ : state) {
        bool answered = false;
        p.add(state, MeasureShown([&] { answered = command(); }));
        if (!answered || !done()) {
            state.SkipWithError(failure);
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
    const QString text = LongText(int(state.range(0)));
    if (!ChooseTitle(state, w, kLongTitles[state.range(0)]))
        return;
    // As for the search: the first dialog of the process is not timed.
    AnswerProblemDialog(w.cmdAddProblem, QStringLiteral("warm-up"), QString());
    TimeDialog(
        state, [&] { return AnswerProblemDialog(w.cmdAddProblem, text, QStringLiteral("fix")); },
        [&] { return BoundTextBox::TextOf(w.txtProblem) == text; },
        "the problem was not added through the dialog");
}

// Find with the long text pasted into the dialog's problem box and a star after it (the
// saving benchmark adds to the text): the dialog's box, a search text of a million
// characters, and the first match shown.
void BM_LongFind(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const QString text = LongText(int(state.range(0)));
    if (!ChooseTitle(state, w, kLongTitles[state.range(0)]))
        return;
    TimeDialog(
        state, [&] { return DoSearch(w, text + QLatin1Char('*')); },
        [&] { return BoundTextBox::TextOf(w.txtProblem).startsWith(text); },
        "the search did not find the long problem");
    w.cmdClear->click();
}

// The current-problem report of the long problem, to the recording surface: every display
// line of the box is one printed line.
void BM_LongPrint(benchmark::State& state)
{
    MainWindow& w = LongWindow();
    const int kind = int(state.range(0));
    if (!ShowLongProblem(state, w, kind))
        return;
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

} // namespace

void RegisterLongTextBenchmarks()
{
    using benchmark::kMillisecond;
    auto reg = [](const char* name, auto fn) {
        return benchmark::RegisterBenchmark(name, fn)->UseManualTime()->Unit(kMillisecond);
    };
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
}

void RemoveLongTexts()
{
    if (!g_longWindow)
        return;
    g_longWindow.reset();
    DeleteLongTitles();
}
