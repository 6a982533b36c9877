#include "core/text/TextFormat.h"
#include "mainwindow/ListPair.h"
#include "tests/TestSupport.h"
#include "widgets/BoundTextBox.h"

#include <QComboBox>
#include <QListWidget>
#include <QToolButton>
#include <QtTest>

class TestBrowse : public QObject {
    Q_OBJECT
private slots:
    void paddedColumns()
    {
        QCOMPARE(PadColumn("2.1.0"), QString("2.1.0") + QString(15, ' '));
        QCOMPARE(PadColumn(QString(20, 'x')), QString(20, 'x'));
        QCOMPARE(PadColumn(QString(25, 'x')), QString(25, 'x') + ' ');
        QCOMPARE(VersionLine("2.1", "1999-01-05"), "2.1" + QString(17, ' ') + "01/05/1999");
        QCOMPARE(FileLine("MAIN.DLL", "1.0.3", "1998-12-24"),
                 "MAIN.DLL" + QString(12, ' ') + "1.0.3" + QString(15, ' ') + "12/24/1998");
        QCOMPARE(DateText(QDate(2001, 3, 3)), "03/03/2001");
        QCOMPARE(DateText(QVariant()), "");
    }

    void aTitleWithoutVersions()
    {
        TestEnv env;
        env.addTitle("Bare");
        auto w = env.openWindow("Bare");
        QCOMPARE(w->lstVersionDate->count(), 0);
        QCOMPARE(w->lstVersionID->count(), 0);
        for (QToolButton* b : {w->cmdAddFile, w->cmdEditFile, w->cmdDeleteFile, w->cmdAddChange,
                               w->cmdEditChange, w->cmdDeleteChange})
            QVERIFY(!b->isEnabled());
        for (QToolButton* b : {w->cmdAddVersion, w->cmdEditVersion, w->cmdDeleteVersion, w->cmdFind,
                               w->cmdFirst, w->cmdPrevious, w->cmdNext, w->cmdLast})
            QVERIFY(b->isEnabled());
    }

    void aTitleWithVersionsSelectsTheFirst()
    {
        TestEnv env;
        const qint64 t = env.addTitle("Tool");
        const qint64 v1 = env.addVersion(t, "1.0", QDate(1999, 1, 5));
        const qint64 v2 = env.addVersion(t, QString(20, '9'), QDate(2001, 3, 3));
        env.addFile(v1, "setup.exe", "1.0", QDate(1999, 2, 3));
        const qint64 f2 = env.addFile(v1, "main.dll", "2.0", QDate(1999, 2, 4));
        env.addChange(v1, "Faster start");
        const qint64 c2 = env.addChange(v1, "Fixed printing");
        env.addChange(v2, "Only a change");
        env.addProblem(t, "First problem", "First solution");
        auto w = env.openWindow("Tool");
        QCOMPARE(Lines(w->lstVersionDate), QStringList({"1.0" + QString(17, ' ') + "01/05/1999",
                                                        QString(20, '9') + "03/03/2001"}));
        QCOMPARE(Lines(w->lstVersionID), QStringList({QString::number(v1), QString::number(v2)}));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(w->lstVersionID->currentRow(), 0);
        QCOMPARE(Lines(w->lstChanges), QStringList({"Faster start", "Fixed printing"}));
        QCOMPARE(SelectedIndex(w->lstChanges), -1);
        QCOMPARE(Lines(w->lstFiles).first(),
                 "setup.exe" + QString(11, ' ') + "1.0" + QString(17, ' ') + "02/03/1999");
        QCOMPARE(SelectedIndex(w->lstFiles), 0);
        QCOMPARE(SelectedIndex(w->lstFileID), 0);
        QCOMPARE(w->txtProblem->toPlainText(), "First problem");
        QCOMPARE(w->txtSolution->toPlainText(), "First solution");

        // Clicking a line moves the partner list along; so do the arrow keys once the list
        // has the focus.
        ClickLine(w->lstFiles, 1);
        QCOMPARE(w->lstFileID->currentRow(), 1);
        QCOMPARE(SelectedKey(w->lstFiles, w->lstFileID), QString::number(f2));
        ClickLine(w->lstChanges, 1);
        QCOMPARE(w->lstChangeID->currentRow(), 1);
        QCOMPARE(SelectedKey(w->lstChanges, w->lstChangeID), QString::number(c2));
        QTest::keyClick(w->lstFiles, Qt::Key_Up);
        QCOMPARE(w->lstFileID->currentRow(), 0);
        QTest::keyClick(w->lstChanges, Qt::Key_Up);
        QCOMPARE(SelectedKey(w->lstChanges, w->lstChangeID), w->lstChangeID->item(0)->text());

        // A version with changes only selects no change and lists no file.
        ClickLine(w->lstVersionDate, 1);
        QCOMPARE(w->lstVersionID->currentRow(), 1);
        QCOMPARE(Lines(w->lstChanges), QStringList({"Only a change"}));
        QCOMPARE(w->lstFiles->count(), 0);
        QCOMPARE(SelectedIndex(w->lstChanges), -1);
    }

    void noSelectedVersionRunsNothing()
    {
        TestEnv env;
        const qint64 t = env.addTitle("Tool");
        const qint64 v = env.addVersion(t, "1.0", QDate(1999, 1, 5));
        env.addChange(v, "A change");
        auto w = env.openWindow("Tool");
        w->lstVersionDate->setCurrentRow(-1);
        QCOMPARE(Lines(w->lstChanges), QStringList({"A change"}));
        QCOMPARE(env.msgs.count(), 0);
    }

    void commentsFollowTheirTitle()
    {
        TestEnv env;
        env.addTitle("One");
        env.addTitle("Two", "second's notes");
        auto w = env.openWindow("One");
        QCOMPARE(w->txtComments->toPlainText(), "");
        QVERIFY(!w->txtComments->isReadOnly());
        typeOver(w->txtComments, "notes for one\nline two");
        SelectTitle(*w, "Two");
        QCOMPARE(w->txtComments->toPlainText(), "second's notes");
        QCOMPARE(env.scalar("SELECT Comments FROM Software WHERE SoftwareTitle = 'One'"),
                 "notes for one\nline two");
        SelectTitle(*w, "One");
        QCOMPARE(w->txtComments->toPlainText(), "notes for one\nline two");
    }

    void reselectingTheShownTitleRepeatsTheSelection()
    {
        TestEnv env;
        const qint64 t = env.addTitle("Tool");
        env.addVersion(t, "1.0", QDate(1999, 1, 5));
        env.addVersion(t, "2.0", QDate(2000, 1, 5));
        auto w = env.openWindow("Tool");
        w->lstVersionDate->setCurrentRow(1);
        typeOver(w->txtComments, "kept");
        SelectTitle(*w, "Tool");
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(env.scalar("SELECT Comments FROM Software"), "kept");
    }

    void pickingTheShownTitleAfterTheProgramSetItRunsTheSelection()
    {
        TestEnv env;
        const qint64 t = env.addTitle("Tool");
        env.addVersion(t, "1.0", QDate(1999, 1, 5));
        env.addVersion(t, "2.0", QDate(2000, 1, 5));
        auto w = env.openWindow();
        w->cboSoftware->setCurrentIndex(0); // as the record commands do
        QCoreApplication::processEvents();
        w->lstVersionDate->setCurrentRow(1);
        emit w->cboSoftware->activated(0); // the user picks the title already shown
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
    }

    void problemTypingIsSavedBeforeAnotherTitle()
    {
        TestEnv env;
        const qint64 a = env.addTitle("A");
        env.addTitle("B");
        env.addProblem(a, "old problem", "old solution");
        auto w = env.openWindow("A");
        typeOver(w->txtProblem, "new problem");
        typeOver(w->txtSolution, "new solution");
        SelectTitle(*w, "B");
        QCOMPARE(w->txtProblem->toPlainText(), "");
        QVERIFY(w->txtProblem->isReadOnly());
        QCOMPARE(env.joined("SELECT Problem, Solution FROM Problems", {}, "/"),
                 "new problem/new solution");
    }

    void titlesWithQuotesAndOtherScripts()
    {
        TestEnv env;
        for (const QString& title :
             {QString("O'Brien's Tool"), QString("Редактор"), QString("  spaced  "),
              QString("x'; DROP TABLE Software; --")}) {
            const qint64 id = env.addTitle(title, title + " notes");
            env.addVersion(id, "1.0", QDate(2002, 2, 2));
        }
        auto w = env.openWindow();
        for (const QString& title :
             {QString("O'Brien's Tool"), QString("Редактор"), QString("  spaced  "),
              QString("x'; DROP TABLE Software; --")}) {
            SelectTitle(*w, title);
            QCOMPARE(w->txtComments->toPlainText(), title + " notes");
            QCOMPARE(w->lstVersionDate->count(), 1);
        }
        QCOMPARE(env.msgs.count(), 0);
        QCOMPARE(env.count("Software"), 4);
    }
};

QTEST_MAIN(TestBrowse)
#include "tst_browse.moc"
