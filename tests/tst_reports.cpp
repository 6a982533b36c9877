#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "core/text/TextFormat.h"
#include "mainwindow/frmVantor.h"
#include "reports/PrinterSurface.h"
#include "reports/Report.h"
#include "tests/RecordingSurface.h"
#include "tests/TestSupport.h"
#include "widgets/BoundTextBox.h"
#include "widgets/TextBoxLines.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrinterInfo>
#include <QProcess>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QtTest>

namespace {
using Kind = RecordingSurface::Kind;

// Notes whether the hourglass was showing when the document ended.
class CursorSurface : public RecordingSurface {
public:
    void EndDoc() override
    {
        busyAtEnd = QApplication::overrideCursor() &&
                    QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        RecordingSurface::EndDoc();
    }
    bool busyAtEnd = false;
};

// Answers the print dialog with a recording surface, or cancels it.
struct PrintRecorder {
    std::shared_ptr<CursorSurface> surface;
    int dialogs = 0;
    bool cancel = false;

    PrintRecorder()
    {
        Report::SetPrintDialogHook([this](QWidget*) -> std::shared_ptr<PrintSurface> {
            ++dialogs;
            if (cancel)
                return nullptr;
            surface = std::make_shared<CursorSurface>();
            return surface;
        });
    }
    ~PrintRecorder() { Report::SetPrintDialogHook({}); }
    QList<PrintedLine> lines() const { return surface ? surface->lines() : QList<PrintedLine>(); }
    QStringList texts() const { return surface ? surface->texts() : QStringList(); }
};

PrintFont style(double size, bool underline = false)
{
    PrintFont f;
    f.size = size;
    f.bold = true;
    f.underline = underline;
    return f;
}
const PrintFont kHeading = style(20);
const PrintFont kVersion = style(12);
const PrintFont kLabel = style(10, true);
const PrintFont kBody = style(10);

// A surface measuring in the font, as the reports' surfaces do.
RecordingSurface measuring(const PrintFont& f)
{
    RecordingSurface s;
    s.setFontName(f.name);
    s.setFontSize(f.size);
    s.setFontBold(f.bold);
    s.setFontUnderline(f.underline);
    return s;
}
double lineHeight(const PrintFont& f)
{
    return measuring(f).LineHeight();
}
double textWidth(const PrintFont& f, const QString& text)
{
    return measuring(f).TextWidth(text);
}

void checkLine(const PrintedLine& l, const QString& text, const PrintFont& font, double x, double y)
{
    QCOMPARE(l.text, text);
    QVERIFY2(l.font == font, qPrintable(QStringLiteral("font of \"%1\"").arg(text)));
    QVERIFY2(qAbs(l.x - x) < 0.01,
             qPrintable(QStringLiteral("x of \"%1\": %2 instead of %3").arg(text).arg(l.x).arg(x)));
    QVERIFY2(qAbs(l.y - y) < 0.01,
             qPrintable(QStringLiteral("y of \"%1\": %2 instead of %3").arg(text).arg(l.y).arg(y)));
}

// The heading block and the version block, from line number from.
void checkFrame(const QList<PrintedLine>& lines, int from, const QString& name,
                const QString& title, const QString& version, const QString& date)
{
    QVERIFY(lines.size() >= from + 4);
    const double width = RecordingSurface().ScaleWidth();
    checkLine(lines[from], name, kHeading, (width - textWidth(kHeading, name)) / 2, 720);
    checkLine(lines[from + 1], title, kHeading, (width - textWidth(kHeading, title)) / 2,
              720 + lineHeight(kHeading));
    checkLine(lines[from + 2], QStringLiteral("Version:  ") + version, kVersion, 720, 2160);
    checkLine(lines[from + 3], QStringLiteral("Date:     ") + date, kVersion, 720,
              2160 + lineHeight(kVersion));
}

QString words(int count, const QString& stem)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << stem + QString::number(i);
    return out.join(QLatin1Char(' '));
}

// The display lines of a box as the box itself shows them once it is on screen.
QStringList shownLines(QPlainTextEdit* box)
{
    QStringList out;
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        box->document()->documentLayout()->blockBoundingRect(b);
        const QTextLayout* l = b.layout();
        for (int i = 0; i < l->lineCount(); ++i)
            out << b.text().mid(l->lineAt(i).textStart(), l->lineAt(i).textLength());
    }
    return out;
}
} // namespace

// The title "Alpha" with the version 1.0 of 01/01/2000, which every report prints in its
// version block.
struct Alpha : TitleFixture {
    explicit Alpha(const QVariant& comments = {}) : TitleFixture(QStringLiteral("Alpha"), comments)
    {
    }
    const qint64 release = addVersion(QStringLiteral("1.0"), QDate(2000, 1, 1));
};

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void printMenuPopsUpWithItsFourEntries()
    {
        TestEnv env;
        auto w = env.openWindow();
        QStringList captions;
        for (QAction* a : w->mnuPrint->actions())
            captions << a->text();
        QCOMPARE(captions, (QStringList{"Version Information", "Current Problem/Solution",
                                        "All Problems/Solutions", "Comments"}));
        w->cmdPrint->click();
        QTRY_VERIFY(w->mnuPrint->isVisible());
        w->mnuPrint->hide();
    }

    void versionInformationPrintsBothListsBelowTheVersionBlock()
    {
        TestEnv env;
        const qint64 sw = env.addTitle("Alpha");
        const qint64 v = env.addVersion(sw, "2.1", QDate(1999, 1, 5));
        env.addFile(v, "MAIN.DLL", "1.0.3", QDate(1998, 12, 24));
        env.addFile(v, "HELP.HLP", "2", QDate(1999, 1, 2));
        env.addChange(v, "Faster start");
        env.addChange(v, QString(300, 'x')); // wider than the page: printed unbroken
        auto w = env.openWindow("Alpha");
        PrintRecorder rec;
        w->mnuPrintVersionInfo->trigger();

        QCOMPARE(rec.dialogs, 1);
        QVERIFY(rec.surface->ended());
        QVERIFY(rec.surface->busyAtEnd);
        QVERIFY(!rec.surface->aborted());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(rec.surface->pageCount(), 1);
        const auto lines = rec.lines();
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines[0].text, QString());
        QCOMPARE(lines[0].y, 0.0);
        checkFrame(lines, 1, "Version Information for", "Alpha", "2.1",
                   DateText(QDate(1999, 1, 5)));
        const double lh = lineHeight(kBody);
        checkLine(lines[5], "Needed Files", kLabel, 720, 3600);
        double y = 3600 + lh + 360;
        checkLine(lines[6], w->lstFiles->item(0)->text(), kBody, 720, y);
        QCOMPARE(lines[6].text,
                 "MAIN.DLL            1.0.3               " + DateText(QDate(1998, 12, 24)));
        checkLine(lines[7], w->lstFiles->item(1)->text(), kBody, 720, y + lh);
        y += 2 * lh + 720;
        checkLine(lines[8], "Changes / Reasons", kLabel, 720, y);
        y += lh + 360;
        checkLine(lines[9], "Faster start", kBody, 720, y);
        checkLine(lines[10], QString(300, 'x'), kBody, 720, y + lh);
        QCOMPARE(rec.surface->entries().last().kind, Kind::EndDoc);
    }

    void versionWithoutFilesOrChanges()
    {
        TestEnv env;
        const qint64 sw = env.addTitle("Alpha");
        env.addVersion(sw, "1.0", QDate(2000, 2, 3));
        const qint64 v2 = env.addVersion(sw, "2.0", QDate(2001, 2, 3));
        env.addFile(v2, "A.EXE", "1", QDate(2001, 1, 1));
        auto w = env.openWindow("Alpha");
        {
            PrintRecorder rec;
            w->mnuPrintVersionInfo->trigger();
            const auto lines = rec.lines();
            QCOMPARE(lines.size(), 7);
            checkLine(lines[5], "Needed Files", kLabel, 720, 3600);
            checkLine(lines[6], "Changes / Reasons", kLabel, 720, 3600 + lineHeight(kLabel) + 1080);
            QVERIFY(rec.surface->ended());
        }
        w->lstVersionDate->setCurrentRow(1);
        {
            // Files only: the changes label is the last line printed.
            PrintRecorder rec;
            w->mnuPrintVersionInfo->trigger();
            const QStringList texts = rec.texts();
            QCOMPARE(texts.mid(3, 2),
                     (QStringList{"Version:  2.0", "Date:     " + DateText(QDate(2001, 2, 3))}));
            QCOMPARE(texts.last(), "Changes / Reasons");
            QCOMPARE(texts.size(), 8);
        }
    }

    void versionBlockTakesTheDateFromTheEndOfTheEntry()
    {
        TestEnv env;
        const qint64 sw = env.addTitle("Alpha");
        env.addVersion(sw, "1.0 beta 2", QDate(2002, 3, 4));
        env.addVersion(sw, "12345678901234567890", QDate(2003, 4, 5));
        env.addVersion(sw, "a release number longer than the column", QDate(2004, 5, 6));
        auto w = env.openWindow("Alpha");
        const QStringList expected[] = {
            {"Version:  1.0 beta 2", "Date:     " + DateText(QDate(2002, 3, 4))},
            {"Version:  12345678901234567890", "Date:     " + DateText(QDate(2003, 4, 5))},
            {"Version:  a release number longer than the column",
             "Date:     " + DateText(QDate(2004, 5, 6))},
        };
        for (int row = 0; row < 3; ++row) {
            w->lstVersionDate->setCurrentRow(row);
            PrintRecorder rec;
            w->mnuPrintComments->trigger();
            QCOMPARE(rec.texts().mid(3, 2), expected[row]);
            QVERIFY(rec.surface->ended());
        }
    }

    void noVersionSelectedSaysSoAndPrintsNothing()
    {
        TestEnv env;
        const qint64 sw = env.addTitle("Gamma");
        env.addProblem(sw, "p", "s");
        auto w = env.openWindow("Gamma");
        QCOMPARE(w->lstVersionDate->count(), 0);
        PrintRecorder rec;
        for (QAction* a : w->mnuPrint->actions())
            a->trigger();
        QCOMPARE(rec.dialogs, 0);
        QVERIFY(!rec.surface);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(env.msgs.count(), 4);
        for (const MsgBoxCall& c : env.msgs.calls) {
            QCOMPARE(c.text, Msg::kNoVersionToPrint);
            QCOMPARE(c.icon, MsgIcon::Information);
        }
        QCOMPARE(w->dataProblems->position(), 0);
    }

    void cancelledDialogPrintsNothing()
    {
        Alpha f;
        f.env.addProblem(f.title, "p1", "s1");
        f.env.addProblem(f.title, "p2", "s2");
        auto w = f.open();
        w->dataProblems->MoveNext();
        PrintRecorder rec;
        rec.cancel = true;
        for (QAction* a : w->mnuPrint->actions())
            a->trigger();
        QCOMPARE(rec.dialogs, 4);
        QVERIFY(!rec.surface);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(f.env.msgs.count(), 0);
        // The all-problems report moved to the first problem before its dialog.
        QCOMPARE(w->txtProblem->toPlainText(), "p1");
    }

    void realPrintDialogCancelled()
    {
        Alpha f;
        auto w = f.open();
        QVERIFY(WorkDialog([&] { w->mnuPrintComments->trigger(); },
                           [](QDialog* print) { print->reject(); })
                    .opened);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(f.env.msgs.count(), 0);
    }

    void realPrintDialogPrintsToAPdfFile()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed: the dialog would print on it");
        Alpha f("From the dialog.");
        auto w = f.open();
        const QString pdf = f.env.folder() + "/dialog.pdf";
        QStringList names;
        WorkDialog([&] { w->mnuPrintComments->trigger(); },
                   [&](QDialog* modal) {
                       for (auto* edit : modal->findChildren<QLineEdit*>())
                           names << edit->objectName();
                       auto* file = modal->findChild<QLineEdit*>("filename");
                       if (file)
                           file->setText(pdf);
                       modal->accept();
                   });
        QVERIFY2(QFile::exists(pdf), qPrintable(names.join(",")));
        QProcess p;
        p.start("pdftotext", {pdf, "-"});
        p.waitForFinished();
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains("From the dialog."));
    }

    void problemPagePrintsTheBoxesAsTheyBreakOnScreen()
    {
        TestEnv env;
        const qint64 sw = env.addTitle("Alpha");
        env.addVersion(sw, "3.0", QDate(2005, 6, 7));
        const QString problem = words(40, "word") + "\n\nsecond paragraph";
        env.addProblem(sw, problem, QVariant());
        auto w = env.openWindow("Alpha");
        // The problems tab has never been open: its boxes were never shown.
        QCOMPARE(w->tabGeneral->currentIndex(), 0);
        PrintRecorder rec;
        w->mnuPrintCurrentProblemSolution->trigger();
        QVERIFY(rec.surface->ended());
        const auto lines = rec.lines();
        checkFrame(lines, 1, "Problem and Solution for", "Alpha", "3.0",
                   DateText(QDate(2005, 6, 7)));
        checkLine(lines[5], "Problem", kLabel, 720, 3600);
        QStringList printed;
        const double lh = lineHeight(kBody);
        int i = 6;
        for (; lines[i].text != "Solution"; ++i) {
            checkLine(lines[i], lines[i].text, kBody, 720, 4320 + (i - 6) * lh);
            printed << lines[i].text;
        }
        checkLine(lines[i], "Solution", kLabel, 720, 8640);
        checkLine(lines[i + 1], "", kBody, 720, 9360); // a null solution: one empty line
        QCOMPARE(lines.size(), i + 2);

        QVERIFY(printed.size() > 4); // the long paragraph wrapped
        QCOMPARE(printed.mid(printed.size() - 2), (QStringList{"", "second paragraph"}));
        w->tabGeneral->setCurrentIndex(1);
        QCOMPARE(printed, shownLines(w->txtProblem));
        QCOMPARE(printed.join("").remove(' '), problem.simplified().remove(' '));

        // Typing not yet stored prints as typed.
        w->txtProblem->setPlainText("typed here");
        w->txtProblem->document()->setModified(true);
        PrintRecorder again;
        w->mnuPrintCurrentProblemSolution->trigger();
        QCOMPARE(again.texts()[6], "typed here");
        QCOMPARE(env.scalar("SELECT Problem FROM Problems").toString(), problem);
    }

    void emptyBoxesPrintOneEmptyLineEach()
    {
        Alpha f;
        auto w = f.open();
        PrintRecorder rec;
        w->mnuPrintCurrentProblemSolution->trigger();
        QCOMPARE(rec.texts().mid(5), (QStringList{"Problem", "", "Solution", ""}));
        QCOMPARE(rec.lines()[6].y, 4320.0);
        QCOMPARE(rec.lines()[8].y, 9360.0);
    }

    void displayLinesOfAHiddenBoxMatchTheShownBox()
    {
        const QString text = words(60, "alpha") + "\n" + QString(150, 'z') + "\n\n\nend";
        BoundTextBox hidden;
        hidden.setFont(QFont("Courier New", 8));
        hidden.resize(299, 200);
        hidden.setPlainText(text);
        const int count = GetTextLineCount(&hidden);
        QStringList hiddenLines;
        for (int i = 0; i < count; ++i)
            hiddenLines << GetTextLine(i, &hidden);

        BoundTextBox shown;
        shown.setFont(QFont("Courier New", 8));
        shown.resize(299, 200);
        shown.setPlainText(text);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        QStringList expected;
        for (const QString& l : shownLines(&shown))
            expected << l.left(80);
        QCOMPARE(hiddenLines, expected);
        QVERIFY(count > 10);
        QCOMPARE(hiddenLines.mid(count - 3), (QStringList{"", "", "end"}));
        QCOMPARE(GetTextLine(count, &hidden), QString());

        // Changing the text of a hidden box keeps its width.
        hidden.setPlainText(text);
        QCOMPARE(GetTextLineCount(&hidden), count);

        BoundTextBox empty;
        QCOMPARE(GetTextLineCount(&empty), 1);
        QCOMPARE(GetTextLine(0, &empty), QString());

        // A box wide enough for more than 80 characters on a line.
        BoundTextBox wide;
        wide.setFont(QFont("Courier New", 8));
        wide.resize(1200, 100);
        wide.setPlainText(QString(200, 'w'));
        QVERIFY(GetWholeTextLine(0, &wide).size() > 80);
        QCOMPARE(GetTextLine(0, &wide), QString(80, 'w'));
    }

    void printedLinesIgnoreWhichTabIsOpenAndAHiddenWindow()
    {
        Alpha f(words(50, "comment"));
        f.env.addProblem(f.title, words(30, "problem"), words(30, "solution"));
        QStringList current[2];
        for (int pass = 0; pass < 2; ++pass) {
            // First a window that was never shown, then the problems tab open on screen.
            auto form = std::make_unique<frmVantor>();
            form->Form_Load();
            MainWindow w(std::move(form));
            if (pass == 1) {
                w.form->show();
                w.tabGeneral->setCurrentIndex(1);
                QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
            }
            SelectTitle(w, "Alpha");
            PrintRecorder rec;
            w.mnuPrintCurrentProblemSolution->trigger();
            current[pass] = rec.texts();
        }
        QCOMPARE(current[0], current[1]);
        QVERIFY(current[1].size() > 12);
    }

    void allProblemsWithAnEmptySetGivesTheMessageOnly()
    {
        Alpha f;
        auto w = f.open();
        PrintRecorder rec;
        w->mnuPrintAllProblemSolution->trigger();
        QCOMPARE(rec.dialogs, 0);
        QCOMPARE(f.env.msgs.count(), 1);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoProblemsToPrint);
        QCOMPARE(f.env.msgs.calls[0].icon, MsgIcon::Information);
        QVERIFY(!QApplication::overrideCursor());
    }

    void allProblemsPrintsEveryProblemOnItsOwnPage()
    {
        Alpha f;
        for (int i = 1; i <= 5; ++i) {
            f.env.addProblem(f.title, i == 2 ? QVariant() : QVariant(QString("problem %1").arg(i)),
                             i == 3 ? QVariant() : QVariant(QString("solution %1").arg(i)));
        }
        auto w = f.open();
        for (int i = 0; i < 3; ++i)
            w->dataProblems->MoveNext();
        QCOMPARE(w->txtProblem->toPlainText(), "problem 4");
        PrintRecorder rec;
        w->mnuPrintAllProblemSolution->trigger();
        QVERIFY(rec.surface->ended());
        QCOMPARE(f.env.msgs.count(), 0);

        // Each page: heading, version block, label, the problem, label, the solution, then
        // a new page; the document ends directly after the last one.
        QList<QList<PrintedLine>> pages(1);
        for (const auto& e : rec.surface->entries()) {
            if (e.kind == Kind::Line)
                pages.last() << e.line;
            else if (e.kind == Kind::NewPage)
                pages << QList<PrintedLine>();
        }
        QCOMPARE(pages.size(), 6);
        QVERIFY(pages.last().isEmpty());
        QCOMPARE(rec.surface->entries().last().kind, Kind::EndDoc);
        QCOMPARE(pages[0].takeFirst().text, QString());
        for (int i = 0; i < 5; ++i) {
            const auto& page = pages[i];
            QCOMPARE(page.size(), 8);
            checkFrame(page, 0, "Problem and Solution for", "Alpha", "1.0",
                       DateText(QDate(2000, 1, 1)));
            checkLine(page[4], "Problem", kLabel, 720, 3600);
            checkLine(page[5], i == 1 ? "" : QString("problem %1").arg(i + 1), kBody, 720, 4320);
            checkLine(page[6], "Solution", kLabel, 720, 8640);
            checkLine(page[7], i == 2 ? "" : QString("solution %1").arg(i + 1), kBody, 720, 9360);
        }
        QCOMPARE(w->dataProblems->position(), 0);
        QCOMPARE(w->txtProblem->toPlainText(), "problem 1");
        QCOMPARE(w->txtSolution->toPlainText(), "solution 1");
        // Nothing was written into the stored problems.
        QVERIFY(f.env.scalar("SELECT Problem FROM Problems WHERE ProblemID = 2").isNull());
    }

    void allProblemsFollowsASearchAndSavesTyping()
    {
        Alpha f;
        f.env.addProblem(f.title, "disk full", "free space");
        f.env.addProblem(f.title, "printer jam", "open the tray");
        f.env.addProblem(f.title, "disk slow", "defragment");
        auto w = f.open();
        w->dataProblems->setRecordSource(Sql::ProblemSearch(f.title, "disk*", ""));
        w->dataProblems->Refresh();
        w->dataProblems->MoveNext();
        w->txtSolution->setPlainText("defragment the disk");
        w->txtSolution->document()->setModified(true);

        PrintRecorder rec;
        w->mnuPrintAllProblemSolution->trigger();
        QStringList problems;
        const auto lines = rec.lines();
        for (int i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i].text == "Problem" || lines[i].text == "Solution")
                problems << lines[i + 1].text;
        }
        QCOMPARE(problems,
                 (QStringList{"disk full", "free space", "disk slow", "defragment the disk"}));
        QCOMPARE(w->dataProblems->recordSource(), Sql::ProblemSearch(f.title, "disk*", ""));
        QCOMPARE(w->txtProblem->toPlainText(), "disk full");
        QCOMPARE(
            f.env.scalar("SELECT Solution FROM Problems WHERE Problem = 'disk slow'").toString(),
            "defragment the disk");
    }

    void commentsPrintWholeDisplayLinesBelowTheVersionBlock()
    {
        TestEnv env;
        const QString comments = QString(120, 'c') + "\nshort\n\n" + words(40, "note");
        const qint64 sw = env.addTitle("Alpha", comments);
        env.addVersion(sw, "1.0", QDate(2000, 1, 1));
        auto w = env.openWindow("Alpha");
        PrintRecorder rec;
        w->mnuPrintComments->trigger();
        QVERIFY(rec.surface->ended());
        const auto lines = rec.lines();
        checkFrame(lines, 1, "Comments for", "Alpha", "1.0", DateText(QDate(2000, 1, 1)));
        checkLine(lines[5], "Comments", kLabel, 720, 3600);
        QStringList printed;
        for (int i = 6; i < lines.size(); ++i) {
            checkLine(lines[i], lines[i].text, kBody, 720, 4320 + (i - 6) * lineHeight(kBody));
            printed << lines[i].text;
        }
        w->tabGeneral->setCurrentIndex(2);
        QCOMPARE(printed, shownLines(w->txtComments));
        QVERIFY(printed[0].size() > 80);
        QCOMPARE(printed.mid(2, 2), (QStringList{"short", ""}));
    }

    void headingIsCentredWhateverTheTitle()
    {
        TestEnv env;
        const QString wide(80, 'W');
        for (const QString& t : {wide, QString("Alpha")})
            env.addVersion(env.addTitle(t), "1.0", QDate(2000, 1, 1));
        auto w = env.openWindow(wide);
        PrintRecorder rec;
        w->mnuPrintComments->trigger();
        QVERIFY(rec.lines()[2].x < 0);
        checkFrame(rec.lines(), 1, "Comments for", wide, "1.0", DateText(QDate(2000, 1, 1)));
    }

    void linesBelowThePageContinueOnANewPage()
    {
        Alpha f;
        for (int i = 0; i < 150; ++i)
            f.env.addChange(f.release, QString("change %1").arg(i));
        auto w = f.open();
        PrintRecorder rec;
        w->mnuPrintVersionInfo->trigger();
        QVERIFY(rec.surface->ended());
        const double lh = lineHeight(kBody);
        int breaks = 0;
        double lastY = 0;
        int page = 0;
        for (const auto& e : rec.surface->entries()) {
            if (e.kind == Kind::NewPage)
                ++breaks;
            if (e.kind != Kind::Line)
                continue;
            QVERIFY(e.line.y + LineHeightOf(e.line) <= 15440 + 0.01);
            if (e.page != page) {
                // The first line on a continued page, at the top margin in the same style.
                page = e.page;
                checkLine(e.line, e.line.text, kBody, 720, 720);
                QVERIFY(lastY + 2 * lh > 15440);
            }
            lastY = e.line.y;
        }
        QVERIFY(breaks >= 1);
        QCOMPARE(rec.texts().size(), 5 + 1 + 1 + 150);
        QCOMPARE(rec.texts().last(), "change 149");
    }

    void everyReportReachesAPdfFile()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        TestEnv env;
        const qint64 sw = env.addTitle("Alpha Suite", "Remember the backups.");
        const qint64 v = env.addVersion(sw, "4.2", QDate(2010, 11, 12));
        env.addFile(v, "CORE.DLL", "4.2.1", QDate(2010, 11, 1));
        env.addChange(v, "Rewrote the importer");
        env.addProblem(sw, "Crash on start", "Delete the cache");
        env.addProblem(sw, "Slow search", "Rebuild the index");
        auto w = env.openWindow("Alpha Suite");

        QString pdf;
        Report::SetPrintDialogHook([&](QWidget*) -> std::shared_ptr<PrintSurface> {
            return PrinterSurface::ForPdfFile(pdf);
        });
        auto text = [&](QAction* report, const QString& name) {
            pdf = env.folder() + "/" + name + ".pdf";
            report->trigger();
            QProcess p;
            p.start("pdftotext", {"-layout", pdf, "-"});
            p.waitForFinished();
            return QString::fromUtf8(p.readAllStandardOutput());
        };
        const QString version = text(w->mnuPrintVersionInfo, "version");
        const QString current = text(w->mnuPrintCurrentProblemSolution, "current");
        const QString all = text(w->mnuPrintAllProblemSolution, "all");
        const QString comments = text(w->mnuPrintComments, "comments");
        Report::SetPrintDialogHook({});

        const QStringList versionTexts = {"Version Information for",
                                          "Alpha Suite",
                                          "Version: 4.2",
                                          "Date: " + DateText(QDate(2010, 11, 12)),
                                          "Needed Files",
                                          "CORE.DLL 4.2.1 " + DateText(QDate(2010, 11, 1)),
                                          "Changes / Reasons",
                                          "Rewrote the importer"};
        for (const QString& s : versionTexts)
            QVERIFY2(version.simplified().contains(s.simplified()), qPrintable(s));
        for (const char* s : {"Problem and Solution for", "Crash on start", "Delete the cache"})
            QVERIFY2(current.contains(s), qPrintable(s));
        QVERIFY(!current.contains("Slow search"));
        // One page per problem, no empty page at the end.
        QCOMPARE(all.count('\f'), 2);
        QVERIFY(all.split('\f')[1].contains("Slow search"));
        QVERIFY(all.split('\f')[1].contains("Problem and Solution for"));
        for (int i = 0; i < 150; ++i)
            env.addChange(v, QString("change %1").arg(i));
        w->lstVersionDate->setCurrentRow(-1);
        w->lstVersionDate->setCurrentRow(0);
        Report::SetPrintDialogHook([&](QWidget*) -> std::shared_ptr<PrintSurface> {
            return PrinterSurface::ForPdfFile(pdf);
        });
        const QString longVersion = text(w->mnuPrintVersionInfo, "long");
        Report::SetPrintDialogHook({});
        QVERIFY(longVersion.count('\f') >= 2);
        QVERIFY(longVersion.split('\f').last().trimmed().isEmpty());
        // Nothing is clipped: every change reaches a page.
        QCOMPARE(longVersion.count(QRegularExpression("change \\d+")), 150);
        for (const char* s : {"Comments for", "Comments", "Remember the backups."})
            QVERIFY2(comments.contains(s), qPrintable(s));
        QVERIFY(!QApplication::overrideCursor());
    }

private:
    static double LineHeightOf(const PrintedLine& l) { return lineHeight(l.font); }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
