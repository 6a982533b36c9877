// Walking a title's problems with the four moves, and narrowing them with wildcard searches.
#include "tests/ProblemSupport.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "dialogs/frmAddProblem.h"
#include "widgets/BoundTextBox.h"
#include "widgets/TextBoxLines.h"

#include <QClipboard>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestProblems : public QObject {
    Q_OBJECT
private slots:
    void wildcardsChangeOnlyTheStar()
    {
        QCOMPARE(frmAddProblem::ConvertWildcards("a*b*c"), QString("a%b%c"));
        QCOMPARE(frmAddProblem::ConvertWildcards("**?%_'[x]"), QString("%%?%_'[x]"));
        QCOMPARE(frmAddProblem::ConvertWildcards(""), QString());
        const QString big = QString(40000, 'x') + '*';
        QCOMPARE(frmAddProblem::ConvertWildcards(big), QString(40000, 'x') + '%');
    }
    void movesStopAtBothEnds()
    {
        ProblemFixture f({"one", "two", "three"});
        auto& w = *f.w;
        QCOMPARE(shown(w), QString("one"));
        w.cmdPrevious->click();
        QCOMPARE(shown(w), QString("one"));
        w.cmdNext->click();
        QCOMPARE(shown(w), QString("two"));
        w.cmdLast->click();
        QCOMPARE(shown(w), QString("three"));
        for (int i = 0; i < 3; ++i)
            w.cmdNext->click();
        QCOMPARE(shown(w), QString("three"));
        w.cmdPrevious->click();
        QCOMPARE(shown(w), QString("two"));
        w.cmdFirst->click();
        w.cmdNext->click();
        QCOMPARE(shown(w), QString("two"));
        QCOMPARE(w.txtSolution->toPlainText(), QString("fix two"));
        QCOMPARE(f.env.msgs.count(), 0);
    }
    void movesWithOneProblemAndWithNone()
    {
        ProblemFixture f({"only"});
        auto& w = *f.w;
        for (QToolButton* b : {w.cmdFirst, w.cmdPrevious, w.cmdNext, w.cmdLast}) {
            b->click();
            QCOMPARE(shown(w), QString("only"));
        }
        SelectTitle(w, "Empty");
        for (QToolButton* b : {w.cmdFirst, w.cmdPrevious, w.cmdNext, w.cmdLast, w.cmdClear})
            b->click();
        QCOMPARE(shown(w), QString());
        QVERIFY(w.txtProblem->isReadOnly());
        QCOMPARE(f.env.msgs.count(), 0);
    }
    void noTitleSelected()
    {
        ProblemFixture f({"one"}, false);
        auto& w = *f.w;
        // The problems tab before any title: Find and the moves are off, Add, Delete and
        // Clear stay on and must cope.
        QVERIFY(!w.cmdFind->isEnabled());
        QVERIFY(w.cmdAddProblem->isEnabled());
        for (QToolButton* b : {w.cmdFirst, w.cmdPrevious, w.cmdNext, w.cmdLast, w.cmdClear})
            b->click();
        QCOMPARE(f.env.msgs.count(), 0);

        w.form->cmdFind_Click();
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoProblemsToSearch);
        const ProblemDialogSeen add = runDialog(w.cmdAddProblem, "orphan", "none");
        QVERIFY(!add.opened);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoTitleForProblem);
        QCOMPARE(f.env.msgs.calls.last().icon, MsgIcon::Information);
        w.cmdDeleteProblem->click();
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoRecord);
        QCOMPARE(f.env.count("Problems"), 1);
    }

    void findNarrowsAndNextWalksMatchesOnly()
    {
        ProblemFixture f({"abc", "xabcx", "ABC", "a-b-c", "abcd", "zzz"});
        auto& w = *f.w;
        ProblemDialogSeen d = runDialog(w.cmdFind, "abc", "");
        QVERIFY(d.opened);
        QCOMPARE(d.caption, QString("Find Problem/Solution"));
        QCOMPARE(d.mode, EditMode::Find);
        QCOMPARE(walk(w), QStringList({"abc", "ABC"}));

        runDialog(w.cmdFind, "*abc*", "");
        QCOMPARE(shown(w), QString("abc"));
        w.cmdNext->click();
        w.cmdNext->click();
        w.cmdPrevious->click();
        QCOMPARE(shown(w), QString("xabcx"));
        QCOMPARE(walk(w), QStringList({"abc", "xabcx", "ABC", "abcd"}));

        runDialog(w.cmdFind, "a*b*c", "");
        QVERIFY(w.dataProblems->recordSource().endsWith("LIKE 'a%b%c'"));
        QCOMPARE(walk(w), QStringList({"abc", "ABC", "a-b-c"}));

        // Both boxes: both must match.
        runDialog(w.cmdFind, "*abc*", "*x");
        QCOMPARE(walk(w), QStringList({"xabcx"}));

        // Both empty: all problems, like Clear.
        runDialog(w.cmdFind, "", "");
        QCOMPARE(walk(w).size(), 6);
        QCOMPARE(f.env.msgs.count(), 0);
    }
    void blanksAndSpecialCharacters()
    {
        TestEnv env;
        const qint64 id = env.addTitle("T");
        for (const char* p : {" ", "  ", "", "100% done", "100 done", "a_b", "axb", "what?",
                              "whatx", "it's", "its"})
            env.addProblem(id, QString::fromUtf8(p), "s");
        env.addProblem(id, QVariant(), "null problem");
        auto w = env.openWindow("T");
        auto matches = [&](const QString& problem) {
            runDialog(w->cmdFind, problem, "");
            return w->dataProblems->RecordCount() ? walk(*w) : QStringList();
        };
        QCOMPARE(matches(" "), QStringList({" "}));
        QCOMPARE(matches("100_done"), QStringList({"100 done"}));
        QCOMPARE(matches("100% done"), QStringList({"100% done", "100 done"}));
        QCOMPARE(matches("a_b"), QStringList({"a_b", "axb"}));
        QCOMPARE(matches("what?"), QStringList({"what?"}));
        QCOMPARE(matches("it's"), QStringList({"it's"}));
        QCOMPARE(matches("*'*"), QStringList({"it's"}));
        QCOMPARE(matches("?"), QStringList());
        QCOMPARE(env.msgs.lastText(), Msg::kNoMatches);
        // Only that message: no search failed in the database.
        QCOMPARE(env.msgs.count(), 1);
        for (const MsgBoxCall& c : env.msgs.calls)
            QCOMPARE(c.icon, MsgIcon::Information);
    }
    void searchIgnoresCaseOfEveryLetter()
    {
        ProblemFixture f({"Großer Ärger beim Start", "σφάλμα στην εκτύπωση", "ОШИБКА", "plain"});
        auto& w = *f.w;
        runDialog(w.cmdFind, "*ärger*", "");
        QCOMPARE(walk(w), QStringList({"Großer Ärger beim Start"}));
        runDialog(w.cmdFind, "*ΣΦΑΛΜΑ*", "");
        QCOMPARE(walk(w), QStringList({"σφάλμα στην εκτύπωση"}));
        runDialog(w.cmdFind, "", "FIX ошибка");
        QCOMPARE(walk(w), QStringList({"ОШИБКА"}));
        QCOMPARE(f.env.msgs.count(), 0);
    }
    void longSearchTexts()
    {
        const QString big = QString(40000, QChar(0x00E9)) + "tail";
        ProblemFixture f({big, "short"});
        auto& w = *f.w;
        runDialog(w.cmdFind, "*" + QString(39000, QChar(0x00C9)) + "*TAIL", "");
        QCOMPARE(walk(w), QStringList({big}));
        QCOMPARE(f.env.msgs.count(), 0);
    }
    void noMatchesThenDeleteAndClear()
    {
        ProblemFixture f({"one", "two"});
        auto& w = *f.w;
        runDialog(w.cmdFind, "nothing like it", "");
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoMatches);
        QCOMPARE(f.env.msgs.calls.last().icon, MsgIcon::Information);
        QCOMPARE(shown(w), QString());
        QVERIFY(w.txtProblem->isReadOnly());
        for (QToolButton* b : {w.cmdFirst, w.cmdPrevious, w.cmdNext, w.cmdLast})
            b->click();
        f.env.msgs.clear();
        w.cmdDeleteProblem->click();
        QCOMPARE(f.env.msgs.count(), 1);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoRecord);
        QCOMPARE(f.env.count("Problems"), 2);
        w.cmdClear->click();
        QCOMPARE(f.env.msgs.count(), 1);
        QCOMPARE(shown(w), QString("one"));
        QCOMPARE(walk(w), QStringList({"one", "two"}));
    }
    void findRestoresTheFullSetFirst()
    {
        ProblemFixture f({"one", "two", "three"});
        auto& w = *f.w;
        runDialog(w.cmdFind, "t*", "");
        QCOMPARE(walk(w), QStringList({"two", "three"}));
        const ProblemDialogSeen d = runDialog(w.cmdFind, "one", "", false);
        QVERIFY(d.opened);
        QCOMPARE(shown(w), QString("one"));
        QCOMPARE(walk(w), QStringList({"one", "two", "three"}));

        // No problems: the message, and no dialog.
        SelectTitle(w, "Empty");
        const ProblemDialogSeen none = runDialog(w.cmdFind, "x", "");
        QVERIFY(!none.opened);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoProblemsToSearch);
        QCOMPARE(f.env.msgs.count(), 1);
    }
    void titleSelectionEndsASearch()
    {
        ProblemFixture f({"one", "two"});
        auto& w = *f.w;
        runDialog(w.cmdFind, "two", "");
        SelectTitle(w, "Empty");
        SelectTitle(w, "Editor");
        QCOMPARE(walk(w), QStringList({"one", "two"}));
    }
};

QTEST_MAIN(TestProblems)
#include "tst_problems.moc"
