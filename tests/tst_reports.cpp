// The print menu and the frame every report shares: the version block, the print dialog, the
// heading, lines that continue on a new page, and the way to the printer (a PDF file here).
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

namespace {
// The four reports of the Print menu; the release notes entries after them open dialogs.
QList<QAction*> reportEntries(const MainWindow& w)
{
    return {w.mnuPrintVersionInfo, w.mnuPrintCurrentProblemSolution, w.mnuPrintAllProblemSolution,
            w.mnuPrintComments};
}
} // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void printMenuPopsUpWithItsFourEntries()
    {
        TestEnv env;
        auto w = env.openWindow();
        // The reports come first; the release notes and problem entries follow them
        // (tst_noteswindow, tst_exchangewindow).
        QStringList captions;
        for (QAction* a : w->mnuPrint->actions().mid(0, 4))
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
        for (QAction* a : reportEntries(*w))
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

    // A title with neither problems nor versions: the all-problems report says first that there
    // are no problems, the others that no version is selected.
    void emptyTitleSaysWhyEachReportPrintsNothing()
    {
        TestEnv env;
        env.addTitle("Delta");
        auto w = env.openWindow("Delta");
        PrintRecorder rec;
        const std::pair<QAction*, QString> reports[] = {
            {w->mnuPrintVersionInfo, Msg::kNoVersionToPrint},
            {w->mnuPrintCurrentProblemSolution, Msg::kNoVersionToPrint},
            {w->mnuPrintAllProblemSolution, Msg::kNoProblemsToPrint},
            {w->mnuPrintComments, Msg::kNoVersionToPrint},
        };
        for (const auto& [report, text] : reports) {
            env.msgs.clear();
            report->trigger();
            QCOMPARE(env.msgs.count(), 1);
            QCOMPARE(env.msgs.lastText(), text);
        }
        QCOMPARE(rec.dialogs, 0);
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
        for (QAction* a : reportEntries(*w))
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
