// Adding and deleting problems, and what is typed into the problem boxes, long texts too:
// everything reaches the database exactly as typed.
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

namespace {
// Whether the paragraph of text that starts at from has no word of 10,000 characters: such a
// paragraph wraps at words.
bool wrapsAtWords(const QString& text, qsizetype from)
{
    qsizetype word = 0;
    for (qsizetype i = from; i < text.size() && text[i] != u'\n'; ++i) {
        word = text[i] == u' ' ? 0 : word + 1;
        if (word > 10000)
            return false;
    }
    return true;
}

// What is wrong with the box's display lines as the reports print them, or nothing. They
// must give back text in order, each must fit the box (blanks may hang past its edge, as on
// screen), and in a paragraph that wraps at words a line ends between words unless a word
// is longer than a line.
QString displayLineFault(QPlainTextEdit* box, const QString& text)
{
    const QStringList lines = GetTextLines(box);
    const QFontMetricsF metrics(box->document()->defaultFont());
    const qreal room = box->viewport()->width() - 2 * box->document()->documentMargin();
    qsizetype at = 0;
    bool atWords = wrapsAtWords(text, 0);
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const QString where = QStringLiteral("line %1 ").arg(i);
        if (QStringView(text).mid(at, line.size()) != line)
            return where + QStringLiteral("is not the text at its place");
        at += line.size();
        qsizetype ink = line.size();
        while (ink > 0 && line[ink - 1] == u' ')
            --ink;
        if (metrics.horizontalAdvance(line.left(ink)) > room)
            return where + QStringLiteral("is wider than the box");
        if (at < text.size() && text[at] == u'\n')
            atWords = wrapsAtWords(text, ++at);
        else if (atWords && at < text.size() && ink == line.size() && line.contains(u' '))
            return where + QStringLiteral("breaks a word: ") + line;
    }
    return at == text.size() ? QString() : QStringLiteral("the lines leave text out");
}
} // namespace

class TestProblemEdits : public QObject {
    Q_OBJECT
private slots:
    void addStoresTextsAsTypedAndShowsTheLast()
    {
        ProblemFixture f({"one"});
        auto& w = *f.w;
        const ProblemDialogSeen d =
            runDialog(w.cmdAddProblem, "  line 1\r\nline 2  \n", "it's \"fixed\"\n");
        QVERIFY(d.opened);
        QCOMPARE(d.caption, QString("Add Problem/Solution"));
        QCOMPARE(d.mode, EditMode::Add);
        QCOMPARE(f.env.count("Problems"), 2);
        const QString stored =
            f.env.scalar("SELECT Problem FROM Problems ORDER BY rowid DESC").toString();
        // The box itself turns \r\n into one line break; nothing else is changed.
        QCOMPARE(stored, QString("  line 1\nline 2  \n"));
        QCOMPARE(f.env.scalar("SELECT SoftwareID FROM Problems ORDER BY rowid DESC").toLongLong(),
                 f.editor);
        QCOMPARE(shown(w), stored);
        QCOMPARE(w.txtSolution->toPlainText(), QString("it's \"fixed\"\n"));

        runDialog(w.cmdAddProblem, "", "");
        QCOMPARE(f.env.count("Problems"), 3);
        QCOMPARE(
            f.env.joined("SELECT Problem, Solution FROM Problems ORDER BY rowid DESC", {}, "/"),
            QString("/"));
        QCOMPARE(shown(w), QString());
        QVERIFY(!w.txtProblem->isReadOnly());
        w.cmdPrevious->click();
        QCOMPARE(shown(w), stored);

        // Cancel and the close box write nothing.
        runDialog(w.cmdAddProblem, "cancelled", "x", false);
        WorkDialog(w.cmdAddProblem, [](QDialog* d) { d->close(); });
        QCOMPARE(f.env.count("Problems"), 3);
        QCOMPARE(f.env.msgs.count(), 0);
    }
    void addKeepsASearchInForce()
    {
        ProblemFixture f({"print fails", "crash"});
        auto& w = *f.w;
        runDialog(w.cmdFind, "print*", "");
        runDialog(w.cmdAddProblem, "print is slow", "s");
        QCOMPARE(shown(w), QString("print is slow"));
        QCOMPARE(walk(w), QStringList({"print fails", "print is slow"}));

        // Not matching: stored, and the narrowed set stays, its last match current.
        w.cmdFirst->click();
        runDialog(w.cmdAddProblem, "hang", "h");
        QCOMPARE(f.problemsOf(f.editor), QString("print fails|crash|print is slow|hang"));
        QCOMPARE(shown(w), QString("print is slow"));
        QCOMPARE(w.dataProblems->RecordCount(), 2);

        // A search without matches, then an add that does not match either.
        runDialog(w.cmdFind, "nothing", "");
        runDialog(w.cmdAddProblem, "other", "o");
        QCOMPARE(f.env.count("Problems"), 5);
        QCOMPARE(w.dataProblems->RecordCount(), 0);
        QCOMPARE(shown(w), QString());
        QCOMPARE(f.env.msgs.count(), 1); // only "No matches were found"
    }
    void failedAddKeepsTheDialogAndAddsOnce()
    {
        ProblemFixture f({"one"});
        auto& w = *f.w;
        FailingWrites failing(f.env, "INSERT", "Problems");
        bool stayedOpen = false;
        WorkDialog(w.cmdAddProblem, [&](QDialog* dlg) {
            auto* problem = child<QPlainTextEdit>(dlg, "txtProblem");
            problem->setPlainText("new");
            Click(dlg, "cmdOK");
            stayedOpen = dlg->isVisible() && problem->toPlainText() == "new";
            failing.stop();
            Click(dlg, "cmdOK");
        });
        QVERIFY(stayedOpen);
        QCOMPARE(f.env.msgs.count(), 1);
        QVERIFY(f.env.msgs.sawDatabaseError(FailingWrites::kReason));
        QCOMPARE(f.problemsOf(f.editor), QString("one|new"));
        QCOMPARE(shown(w), QString("new"));
        w.cmdNext->click();
        QCOMPARE(f.problemsOf(f.editor), QString("one|new"));
    }
    void dialogBoxes()
    {
        ProblemFixture f({"one"});
        auto& w = *f.w;
        frmAddProblem dlg(w.form.get(),
                          {w.dataProblems, w.dataProblems->connection(), EditMode::Add},
                          w.dataSoftware);
        dlg.Form_Load();
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QString("Add Problem/Solution"));
        auto labels = dlg.findChildren<QLabel*>("Label1");
        QCOMPARE(labels.size(), 2);
        std::sort(labels.begin(), labels.end(), [](const QLabel* a, const QLabel* b) {
            return a->property("Index").toInt() < b->property("Index").toInt();
        });
        QCOMPARE(labels[0]->property("Index").toInt(), 0);
        QCOMPARE(labels[0]->text(), QString("Problem"));
        QCOMPARE(labels[1]->property("Index").toInt(), 1);
        QCOMPARE(labels[1]->text(), QString("Solution"));
        auto* problem = child<QPlainTextEdit>(&dlg, "txtProblem");
        auto* solution = child<QPlainTextEdit>(&dlg, "txtSolution");
        QCOMPARE(problem->font().family(), QString("Courier New"));
        QCOMPARE(solution->font().pointSizeF(), 8.25);
        QVERIFY(problem->geometry().right() < solution->geometry().left());
        QVERIFY(problem->toPlainText().isEmpty());

        // Enter breaks the line in a box; Escape presses nothing; Enter or Space on a button
        // presses it.
        typeInto(problem, "a");
        QTest::keyClick(problem, Qt::Key_Return);
        QTest::keyClicks(problem, "b");
        QCOMPARE(problem->toPlainText(), QString("a\nb"));
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        QCOMPARE(f.env.count("Problems"), 1);
        QTest::keyClick(child<QPushButton>(&dlg, "cmdOK"), Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(f.env.count("Problems"), 2);
        QCOMPARE(f.env.scalar("SELECT Problem FROM Problems ORDER BY ProblemID DESC"), "a\nb");
    }

    void deleteAsksThenEndsTheSearch()
    {
        ProblemFixture f({"one", "two", "three"});
        auto& w = *f.w;
        runDialog(w.cmdFind, "t*", "");
        w.cmdNext->click();
        QCOMPARE(shown(w), QString("three"));
        w.cmdDeleteProblem->click(); // answered No
        QCOMPARE(f.env.msgs.lastText(), Msg::kDeleteProblem);
        QCOMPARE(f.env.msgs.calls.last().buttons, MsgButtons::YesNo);
        QCOMPARE(f.env.msgs.calls.last().defaultButton, MsgResult::No);
        QCOMPARE(f.env.msgs.calls.last().icon, MsgIcon::Question);
        QCOMPARE(f.env.count("Problems"), 3);
        QCOMPARE(shown(w), QString("three"));

        f.env.msgs.answer(MsgResult::Yes);
        w.cmdDeleteProblem->click();
        QCOMPARE(f.problemsOf(f.editor), QString("one|two"));
        QCOMPARE(shown(w), QString("one"));
        QCOMPARE(walk(w), QStringList({"one", "two"}));
    }
    void deletingTheOnlyProblem()
    {
        ProblemFixture f({"only"});
        auto& w = *f.w;
        f.env.addProblem(f.empty, "other title", "x");
        f.env.msgs.answer(MsgResult::Yes);
        w.cmdDeleteProblem->click();
        QCOMPARE(f.env.count("Problems"), 1);
        QCOMPARE(w.dataProblems->RecordCount(), 0);
        QCOMPARE(shown(w), QString());
        f.env.msgs.clear();
        w.cmdDeleteProblem->click();
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoRecord);
        QCOMPARE(f.env.msgs.count(), 1);
        QCOMPARE(f.env.count("Problems"), 1);
    }

    void longTextsComeBackExactly()
    {
        // A pasted blob of a million characters with nowhere to break a line, and paragraphs
        // of words around one too long to wrap at words: they still wrap at words.
        QString blob;
        while (blob.size() < 1000000)
            blob += QStringLiteral("QmFzZTY0IGJsb2I9\u00C4\u00D6\u00DC");
        blob.truncate(1000000);
        QString prose;
        for (int i = 0; prose.size() < 3000; ++i)
            prose += QStringLiteral("word%1 of plain prose, ").arg(i);
        const QString mixed = prose + "\n" + blob.left(40000) + " " + prose + "\n\n" + prose;
        // Prose keeps wrapping at words beside a run of a few thousand characters, and however
        // long its paragraph is.
        const QString ordinary = prose + blob.left(3000) + " " + prose;
        const QString longProse = prose.repeated(8);

        ProblemFixture f({ordinary});
        auto& w = *f.w;
        QCOMPARE(displayLineFault(w.txtProblem, ordinary), QString());
        for (const QString& typed : {blob, longProse, mixed}) {
            runDialog(w.cmdAddProblem, typed, "fix");
            QVERIFY(f.env.scalar("SELECT Problem FROM Problems ORDER BY rowid DESC").toString() ==
                    typed);
            QVERIFY(w.txtProblem->boundText() == typed);
            QCOMPARE(displayLineFault(w.txtProblem, typed), QString());
        }
        w.cmdFirst->click();
        QCOMPARE(displayLineFault(w.txtProblem, ordinary), QString());

        // Pasted at the end of the problem shown, saved by the next move.
        QGuiApplication::clipboard()->setText(blob);
        w.txtProblem->moveCursor(QTextCursor::End);
        w.txtProblem->paste();
        QVERIFY(w.txtProblem->boundText() == ordinary + blob);
        w.cmdNext->click();
        QVERIFY(f.env.scalar("SELECT Problem FROM Problems ORDER BY rowid").toString() ==
                ordinary + blob);
        QCOMPARE(f.env.msgs.count(), 0);
    }

    void typedTextReachesTheDatabase()
    {
        ProblemFixture f({"one", "two", "three"});
        auto& w = *f.w;
        const QString sql = "SELECT Problem FROM Problems WHERE rowid = ?";
        const qint64 firstRow = f.env.scalar("SELECT min(rowid) FROM Problems").toLongLong();

        // Left by Next.
        typeInto(w.txtProblem, " A");
        typeInto(w.txtSolution, " B");
        w.cmdNext->click();
        QCOMPARE(f.env.scalar(sql, {firstRow}).toString(), QString("one A"));
        QCOMPARE(
            f.env.scalar("SELECT Solution FROM Problems WHERE rowid = ?", {firstRow}).toString(),
            QString("fix one B"));

        // Left by Previous, Last and First.
        typeInto(w.txtProblem, " P");
        w.cmdPrevious->click();
        typeInto(w.txtProblem, " L");
        w.cmdLast->click();
        typeInto(w.txtProblem, " F");
        w.cmdFirst->click();
        QCOMPARE(f.problemsOf(f.editor), QString("one A L|two P|three F"));

        // Left by Find (then cancelled), by Clear, by Add, by a delete answered No.
        typeInto(w.txtProblem, "1");
        runDialog(w.cmdFind, "", "", false);
        typeInto(w.txtProblem, "2");
        w.cmdClear->click();
        typeInto(w.txtProblem, "3");
        runDialog(w.cmdAddProblem, "four", "");
        QCOMPARE(f.problemsOf(f.editor), QString("one A L123|two P|three F|four"));
        typeInto(w.txtProblem, "!");
        w.cmdDeleteProblem->click(); // No
        w.cmdFirst->click();
        QCOMPARE(f.problemsOf(f.editor), QString("one A L123|two P|three F|four!"));

        // Left by choosing another title.
        typeInto(w.txtSolution, " title");
        SelectTitle(w, "Empty");
        QCOMPARE(
            f.env.scalar("SELECT Solution FROM Problems WHERE rowid = ?", {firstRow}).toString(),
            QString("fix one B title"));

        // Typing, a move, then a delete of the problem moved to.
        SelectTitle(w, "Editor");
        typeInto(w.txtProblem, "?");
        f.env.msgs.answer(MsgResult::Yes);
        w.cmdLast->click();
        w.cmdDeleteProblem->click();
        QCOMPARE(f.problemsOf(f.editor), QString("one A L123?|two P|three F"));
        QCOMPARE(f.env.msgs.count(), 2);
    }
    void typedTextIsSavedWhenTheWindowCloses()
    {
        ProblemFixture f({"one", "two"});
        auto& w = *f.w;
        w.cmdNext->click();
        typeInto(w.txtProblem, " closing");
        QVERIFY(w.form->close());
        QCOMPARE(f.problemsOf(f.editor), QString("one|two closing"));
        QCOMPARE(f.env.msgs.count(), 0);
    }
};

QTEST_MAIN(TestProblemEdits)
#include "tst_problemedits.moc"
