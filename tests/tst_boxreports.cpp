// The reports that print what the boxes show: the current problem, all problems one page each,
// and the comments, in the display lines the boxes break their texts into.
#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "core/text/TextFormat.h"
#include "mainwindow/frmVantor.h"
#include "reports/PrinterSurface.h"
#include "reports/Report.h"
#include "tests/ReportSupport.h"
#include "widgets/BoundTextBox.h"
#include "widgets/TextBoxLines.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QtTest>

using Kind = RecordingSurface::Kind;

class TestBoxReports : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_MAIN(TestBoxReports)
#include "tst_boxreports.moc"
