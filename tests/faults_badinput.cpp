// Whatever is typed, nothing is lost: bad texts through the real dialogs and boxes. The other
// part of the fault suite (tst_faults.cpp) runs this one in its process.
#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "core/text/TextFormat.h"
#include "tests/FaultSupport.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void titlesAndComments()
    {
        FaultFixture f;
        MainWindow& w = *f.w;
        for (const BadText& bad : badTexts()) {
            const QString text = bad.text;
            const QByteArray what = QByteArray("title ") + bad.name;
            ++g_badInputs;
            const Rows before = snapshot(f.env.db());
            f.env.msgs.clear();
            bool stayed = false;
            QVERIFY(WorkDialog(w.cmdAddSoftware, [&](QDialog* dlg) {
                child<QLineEdit>(dlg, "txtSoftware")->setText(text);
                Click(dlg, "cmdOK");
                stayed = dlg->isVisible();
                QCOMPARE(child<QLineEdit>(dlg, "txtSoftware")->text(), text);
            }));
            if (text.isEmpty()) {
                QVERIFY2(stayed && f.env.msgs.saw(Msg::kFieldsMissing), what);
                QVERIFY2(unasked(before, snapshot(f.env.db())).isEmpty(), what);
                continue;
            }
            QVERIFY2(!stayed, what + " " + f.env.msgs.lastText().toUtf8());
            const QString key = newestKey(f.env, "Software");
            QVERIFY2(unasked(before, snapshot(f.env.db()), {key}).isEmpty(), what);
            const qint64 id = key.section(':', 1).toLongLong();
            QCOMPARE(f.env.scalar("SELECT SoftwareTitle FROM Software WHERE SoftwareID = ?", {id})
                         .toString(),
                     text);
            QCOMPARE(w.cboSoftware->currentText(), text);
            QCOMPARE(f.env.msgs.count(), 0);

            // Shown back by the edit dialog, which finds the title by its text.
            QVERIFY(WorkDialog(w.cmdEditSoftware, [&](QDialog* dlg) {
                QCOMPARE(child<QLineEdit>(dlg, "txtSoftware")->text(), text);
            }));
            QCOMPARE(f.env.msgs.count(), 0);

            // The same text as the title's comments, saved when another title is picked.
            ++g_badInputs;
            const Rows beforeComments = snapshot(f.env.db());
            typeOver(w.txtComments, text);
            SelectTitle(w, QStringLiteral("Other"));
            QCOMPARE(f.env.msgs.count(), 0);
            QVERIFY2(unasked(beforeComments, snapshot(f.env.db()), {key}).isEmpty(), what);
            QCOMPARE(
                f.env.scalar("SELECT Comments FROM Software WHERE SoftwareID = ?", {id}).toString(),
                asShown(text));
            SelectTitle(w, text);
            QCOMPARE(w.txtComments->boundText(), asShown(text));
            QCOMPARE(w.cboSoftware->currentText(), text);
        }
        QCOMPARE(f.env.scalar("SELECT Comments FROM Software WHERE SoftwareID = ?", {f.title}),
                 "old comments");
    }

    void versionsChangesAndFiles()
    {
        FaultFixture f;
        MainWindow& w = *f.w;
        const QDate date(2004, 5, 6);
        const QString file = QStringLiteral("setup.exe"), version = QStringLiteral("2.0");
        // The bad text goes into one box; the others hold ordinary texts.
        const ListedRecord records[] = {
            {"Versions",
             "ReleaseID",
             {w.cmdAddVersion, w.cmdEditVersion, w.cmdDeleteVersion, w.lstVersionDate,
              w.lstVersionID},
             {{"txtVersion", "ReleaseNumber", "release number"}},
             "dtpReleaseDate",
             [&](const QStringList& v) { return VersionLine(v[0], date); }},
            {"Changes",
             "ChangeID",
             {w.cmdAddChange, w.cmdEditChange, w.cmdDeleteChange, w.lstChanges, w.lstChangeID},
             {{"txtChange", "Change", "change"}},
             nullptr,
             [](const QStringList& v) { return v[0]; }},
            {"Files",
             "FileID",
             {w.cmdAddFile, w.cmdEditFile, w.cmdDeleteFile, w.lstFiles, w.lstFileID},
             {{"txtFile", "File", "file name"}, {"txtVersion", "Version", "file version"}},
             "dtpDate",
             [&](const QStringList& v) { return FileLine(v[0], v[1], date); }},
        };
        for (const BadText& bad : badTexts()) {
            for (const ListedRecord& record : records) {
                for (int box = 0; box < record.boxes.size(); ++box) {
                    QStringList typed = QStringList{file, version}.mid(0, record.boxes.size());
                    typed[box] = bad.text;
                    typeRecord(f, record, typed, date,
                               QByteArray(record.boxes[box].what) + " " + bad.name);
                    if (QTest::currentTestFailed())
                        return;
                }
            }
            if (!bad.text.isEmpty())
                QVERIFY2(f.env.msgs.count() == 0,
                         bad.name + QByteArray(" ") + f.env.msgs.lastText().toUtf8());
        }
    }

    void problemsSolutionsAndSearches()
    {
        FaultFixture f;
        MainWindow& w = *f.w;
        w.tabGeneral->setCurrentIndex(1);
        QList<BadText> texts = badTexts();
        QString tenMegabytes;
        for (int i = 0; tenMegabytes.size() < 10 * 1024 * 1024; ++i)
            tenMegabytes += QStringLiteral("%1: the log line of a crash, pasted whole\n").arg(i);
        texts.append({"10 MB", tenMegabytes});
        for (const BadText& bad : texts) {
            const QString typed = bad.text;
            const QString text = asShown(typed);
            const QString solution = QStringLiteral("solution of ") + text.left(1000);
            const QByteArray what = QByteArray("problem ") + bad.name;

            // Added through the dialog: both texts stored and shown as typed.
            g_badInputs += 2;
            const Rows before = snapshot(f.env.db());
            f.env.msgs.clear();
            bool stayed = false;
            QVERIFY(WorkDialog(w.cmdAddProblem, [&](QDialog* dlg) {
                child<QPlainTextEdit>(dlg, "txtProblem")->setPlainText(typed);
                child<QPlainTextEdit>(dlg, "txtSolution")->setPlainText(solution);
                Click(dlg, "cmdOK");
                stayed = dlg->isVisible();
            }));
            QVERIFY2(!stayed, what + " " + f.env.msgs.lastText().toUtf8());
            const QString key = newestKey(f.env, "Problems");
            Rows after = snapshot(f.env.db());
            QVERIFY2(unasked(before, after, {key}).isEmpty(), what);
            const qint64 id = key.section(':', 1).toLongLong();
            QSqlQuery q =
                f.env.db().run("SELECT Problem, Solution FROM Problems WHERE ProblemID = ?", {id});
            QVERIFY(q.next());
            QVERIFY2(q.value(0).toString() == text, what);
            QCOMPARE(q.value(1).toString(), solution);
            QVERIFY2(w.txtProblem->boundText() == text, what);
            QCOMPARE(w.txtSolution->boundText(), solution);

            // Typed into the window's solution box, saved by the next move. Ten megabytes are
            // for the problem; the solution box gets the other texts.
            const bool tenMegabytes = text.size() > 2 * 1024 * 1024;
            if (!tenMegabytes) {
                ++g_badInputs;
                const Rows beforeTyping = after;
                typeOver(w.txtSolution, typed);
                w.cmdFirst->click();
                after = snapshot(f.env.db());
                QVERIFY2(unasked(beforeTyping, after, {key}).isEmpty(), what);
                QVERIFY2(f.env.scalar("SELECT Solution FROM Problems WHERE ProblemID = ?", {id})
                                 .toString() == text,
                         what);
                w.cmdLast->click();
                QVERIFY2(w.txtSolution->boundText() == text, what);
            }

            // As a search pattern in either box: the problem itself is among the matches,
            // and a search changes nothing.
            // A search through ten megabytes is left out for time.
            for (const char* box : {"txtProblem", "txtSolution"}) {
                if (tenMegabytes)
                    break;
                ++g_badInputs;
                f.env.msgs.clear();
                QVERIFY(WorkDialog(w.cmdFind, [&](QDialog* dlg) {
                    child<QPlainTextEdit>(dlg, box)->setPlainText(typed);
                    Click(dlg, "cmdOK");
                    stayed = dlg->isVisible();
                }));
                QVERIFY2(!stayed, what);
                QVERIFY2(f.env.msgs.count() == 0,
                         qPrintable(QString::fromUtf8(what) + " / " + f.env.msgs.lastText()));
                QVERIFY2(unasked(after, snapshot(f.env.db())).isEmpty(), what);
                bool found = false;
                w.cmdFirst->click();
                for (int i = 0; i < w.dataProblems->RecordCount(); ++i) {
                    found = found || w.dataProblems->currentKey() == id;
                    w.cmdNext->click();
                }
                QVERIFY2(found, QByteArray(box) + " search " + bad.name);
            }
            w.cmdClear->click();
            w.cmdLast->click();
            QCOMPARE(w.dataProblems->currentKey(), id);
            deleteChecked(f.env, w.cmdDeleteProblem, key, what);
        }
    }

    void optionsPath()
    {
        TestEnv env;
        auto w = env.openWindow();
        for (const BadText& bad : badTexts()) {
            const QByteArray what = QByteArray("path ") + bad.name;
            ++g_badInputs;
            env.msgs.clear();
            const QByteArray iniBefore = bytesOf(IniFilePath);
            bool stayed = false;
            QVERIFY(WorkDialog(w->cmdPreferences, [&](QDialog* dlg) {
                child<QLineEdit>(dlg, "txtDatabase")->setText(bad.text);
                Click(dlg, "cmdOK");
                stayed = dlg->isVisible();
                QCOMPARE(child<QLineEdit>(dlg, "txtDatabase")->text(), bad.text);
            }));
            // A line of the settings file cannot hold a line break: the path is refused.
            if (bad.text.isEmpty() || bad.text.contains(QLatin1Char('\n'))) {
                QVERIFY2(stayed && env.msgs.count() == 1, what);
                QCOMPARE(env.msgs.calls[0].icon, MsgIcon::Exclamation);
                QCOMPARE(bytesOf(IniFilePath), iniBefore);
                continue;
            }
            QVERIFY2(!stayed, what + " " + env.msgs.lastText().toUtf8());
            QVERIFY2(ReadIniSetting("Preferences", "Database", "<none>") == bad.text, what);
            QVERIFY(WorkDialog(w->cmdPreferences, [&](QDialog* dlg) {
                QVERIFY2(child<QLineEdit>(dlg, "txtDatabase")->text() == bad.text, what);
            }));
        }
    }

private:
    // The commands, the list and the key list of one kind of record of the version tab, the
    // dialog's boxes with the columns they are stored in, and the line the list shows.
    struct ListedRecord {
        const char* table;
        const char* keyColumn;
        struct {
            QToolButton *add, *edit, *remove;
            QListWidget *lines, *keys;
        } window;
        struct Box {
            const char* name;
            const char* column;
            const char* what; // for the messages of a failed check
        };
        QList<Box> boxes;
        const char* datePicker; // none for a record without a date
        std::function<QString(const QStringList& typed)> line;
    };

    // Adds the record through its dialog with the texts typed into its boxes; an empty text
    // is refused with the dialog left open. Otherwise the texts are stored and listed as typed,
    // shown back by the edit dialog, and the record is deleted again; nothing else changes.
    void typeRecord(FaultFixture& f, const ListedRecord& record, const QStringList& typed,
                    const QDate& date, const QByteArray& what)
    {
        MainWindow& w = *f.w;
        ++g_badInputs;
        const Rows before = snapshot(f.env.db());
        f.env.msgs.clear();
        bool stayed = false;
        QVERIFY(WorkDialog(record.window.add, [&](QDialog* dlg) {
            for (int i = 0; i < typed.size(); ++i)
                child<QLineEdit>(dlg, record.boxes[i].name)->setText(typed[i]);
            if (record.datePicker)
                child<QDateEdit>(dlg, record.datePicker)->setDate(date);
            Click(dlg, "cmdOK");
            stayed = dlg->isVisible();
        }));
        if (typed.contains(QString())) {
            QVERIFY2(stayed && f.env.msgs.saw(Msg::kFieldsMissing), what);
            QVERIFY2(unasked(before, snapshot(f.env.db())).isEmpty(), what);
            return;
        }
        QVERIFY2(!stayed, what + " " + f.env.msgs.lastText().toUtf8());
        const QString key = newestKey(f.env, record.table);
        QVERIFY2(unasked(before, snapshot(f.env.db()), {key}).isEmpty(), what);
        const qint64 id = key.section(':', 1).toLongLong();
        for (int i = 0; i < typed.size(); ++i) {
            const QString sql =
                QStringLiteral("SELECT [%1] FROM [%2] WHERE [%3] = ?")
                    .arg(QLatin1String(record.boxes[i].column), QLatin1String(record.table),
                         QLatin1String(record.keyColumn));
            QCOMPARE(f.env.scalar(sql, {id}).toString(), typed[i]);
        }
        const int row = rowOfKey(record.window.keys, id);
        QVERIFY2(row >= 0, what);
        QCOMPARE(record.window.lines->item(row)->text(), record.line(typed));
        record.window.lines->setCurrentRow(row);
        if (!std::any_of(typed.begin(), typed.end(), huge)) {
            QVERIFY(WorkDialog(record.window.edit, [&](QDialog* dlg) {
                for (int i = 0; i < typed.size(); ++i)
                    QCOMPARE(child<QLineEdit>(dlg, record.boxes[i].name)->text(), typed[i]);
            }));
        }
        record.window.lines->setCurrentRow(rowOfKey(record.window.keys, id));
        deleteChecked(f.env, record.window.remove, key, what);
        w.lstVersionDate->setCurrentRow(rowOfKey(w.lstVersionID, f.release));
    }
};

int RunBadInputTests(int argc, char** argv)
{
    TestBadInput test;
    return QTest::qExec(&test, argc, argv);
}

#include "faults_badinput.moc"
