// The problems out and back in from the main window: the Print menu's Export Problems and
// Import Problems, their dialogs, the messages, and Cancel in the progress dialog.
#include "core/data/RecordSource.h"
#include "tests/TestSupport.h"
#include "widgets/WorkProgressDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// Presses Cancel in the progress dialog as soon as the work shows it.
void cancelProgressSoon()
{
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(w);
                progress && progress->isVisible())
                progress->cancel();
        }
    });
}

// A title with two problems, the window open on it.
struct ExchangeFixture {
    TitleFixture t{QStringLiteral("Desk")};
    std::unique_ptr<MainWindow> w;
    ExchangeFixture()
    {
        t.env.addProblem(t.title, "printer jams", "open the tray");
        t.env.addProblem(t.title, "screen flickers", "update the driver");
        w = t.open();
    }
    int problems() { return t.env.count("Problems"); }
};

// Works the dialog the menu entry opens: the steps, then OK.
DialogSeen workEntry(MainWindow& w, const char* entry, const std::function<void(QDialog*)>& steps)
{
    return WorkDialog([&] { child<QAction>(w.form.get(), entry)->trigger(); },
                      [&](QDialog* dialog) {
                          steps(dialog);
                          Click(dialog, "cmdOK");
                      });
}
} // namespace

class TestExchangeWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { WorkProgressDialog::SetShowAfter(0); }

    // After the four reports, a separator, then the two entries.
    void printMenuEndsWithExportAndImport()
    {
        ExchangeFixture f;
        const QList<QAction*> actions = f.w->mnuPrint->actions();
        QVERIFY(actions.size() >= 7);
        QCOMPARE(actions.at(3), f.w->mnuPrintComments);
        const qsizetype last = actions.size() - 1;
        QVERIFY(actions.at(last - 2)->isSeparator());
        QCOMPARE(actions.at(last - 1)->objectName(), QStringLiteral("mnuExportProblems"));
        QCOMPARE(actions.at(last - 1)->text(), QStringLiteral("Export Problems..."));
        QCOMPARE(actions.at(last)->text(), QStringLiteral("Import Problems..."));
    }

    // What was typed into the problem box goes out with the rest; the user is told where.
    void exportWritesTheTitlesProblems()
    {
        ExchangeFixture f;
        typeInto(f.w->txtProblem, " (typed)");
        const QString file = f.t.env.folder() + "/desk.csv";
        const DialogSeen seen = workEntry(*f.w, "mnuExportProblems", [&](QDialog* d) {
            child<QComboBox>(d, "cboFormat")->setCurrentIndex(1);
            QVERIFY(child<QRadioButton>(d, "optThisTitle")->isChecked());
            child<QLineEdit>(d, "txtFile")->setText(file);
        });
        QCOMPARE(seen.caption, QStringLiteral("Export Problems"));
        QVERIFY2(f.t.env.msgs.lastText().startsWith("Exported 2 problems of \"Desk\""),
                 qPrintable(f.t.env.msgs.lastText()));
        QVERIFY(readAll(file).contains("\"printer jams (typed)\",\"open the tray\""));
    }

    // The problems of the file join the title's and the window shows them, the first one
    // current; a search in force ends.
    void importAddsToTheShownTitle()
    {
        ExchangeFixture f;
        const QString file = f.t.env.folder() + "/in.csv";
        writeAll(file, "Problem,Solution\r\n\"modem silent\",\"check the cable\"\r\nfan,\"\"\r\n");
        workEntry(*f.w, "mnuImportProblems",
                  [&](QDialog* d) { child<QLineEdit>(d, "txtFile")->setText(file); });
        QCOMPARE(f.t.env.msgs.lastText(), QStringLiteral("Added 2 problems to \"Desk\"."));
        QCOMPARE(f.problems(), 4);
        QCOMPARE(f.w->dataProblems->RecordCount(), 4);
        QCOMPARE(f.w->txtProblem->toPlainText(), QStringLiteral("printer jams"));
        QCOMPARE(
            f.t.env.scalar("SELECT [Solution] FROM [Problems] WHERE [Problem] = 'fan'").toString(),
            QString(""));
    }

    // A file with a fault adds nothing; the message names the line, and the dialog stays open
    // for another file.
    void faultyFileAddsNothing()
    {
        ExchangeFixture f;
        const QString file = f.t.env.folder() + "/bad.csv";
        writeAll(file, "Problem,Solution\r\nok,ok\r\n\"never closed,x\r\n");
        bool stayed = false;
        WorkDialog([&] { child<QAction>(f.w->form.get(), "mnuImportProblems")->trigger(); },
                   [&](QDialog* d) {
                       child<QLineEdit>(d, "txtFile")->setText(file);
                       Click(d, "cmdOK");
                       stayed = d->isVisible();
                   });
        QVERIFY(f.t.env.msgs.lastText().contains("line 3: expected a '\"' that closes the field"));
        QVERIFY(stayed);
        QCOMPARE(f.problems(), 2);
    }

    // Cancel in the progress dialog: no file, no problem added, no message of a failure.
    void cancelLeavesNoFileAndAddsNothing()
    {
        ExchangeFixture f;
        const QString file = f.t.env.folder() + "/many.csv";
        QByteArray csv = "Problem,Solution\r\n";
        for (int i = 0; i < 2000; ++i)
            csv += "p,s\r\n";
        writeAll(file, csv);
        workEntry(*f.w, "mnuImportProblems", [&](QDialog* d) {
            child<QLineEdit>(d, "txtFile")->setText(file);
            cancelProgressSoon();
        });
        QCOMPARE(f.problems(), 2);
        QCOMPARE(f.w->dataProblems->RecordCount(), 2);

        // Enough for the export to show its progress.
        f.t.env.command([&] {
            for (int i = 0; i < 600; ++i)
                f.t.env.addProblem(f.t.title, "p", "s");
        });
        const QString out = f.t.env.folder() + "/out.html";
        workEntry(*f.w, "mnuExportProblems", [&](QDialog* d) {
            child<QLineEdit>(d, "txtFile")->setText(out);
            cancelProgressSoon();
        });
        QVERIFY(!QFile::exists(out));
        QCOMPARE(f.t.env.msgs.count(), 0);
    }

    // With no title shown there is nothing to import into, and only every title to export.
    void withoutATitle()
    {
        TestEnv env;
        env.addTitle("Only");
        auto w = env.openWindow();
        QVERIFY(
            !WorkDialog([&] { child<QAction>(w->form.get(), "mnuImportProblems")->trigger(); }));
        QVERIFY(env.msgs.saw("There is no software title to add the problems to."));
        WorkDialog([&] { child<QAction>(w->form.get(), "mnuExportProblems")->trigger(); },
                   [&](QDialog* d) {
                       QVERIFY(!child<QRadioButton>(d, "optThisTitle")->isEnabled());
                       QVERIFY(child<QRadioButton>(d, "optAllTitles")->isChecked());
                   });
    }
};

QTEST_MAIN(TestExchangeWindow)
#include "tst_exchangewindow.moc"
