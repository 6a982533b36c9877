// Whatever is typed and whatever goes wrong underneath, nothing is lost: bad texts through the
// real dialogs and boxes, then faults of the file system, the disk, other processes and the
// settings file. Runs as an ordinary user, so that file permissions hold.
#include "app/Main.h"
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/text/TextFormat.h"
#include "dialogs/frmPreferences.h"
#include "mainwindow/frmVantor.h"
#include "tests/TestSupport.h"
#include "widgets/BoundTextBox.h"
#include "widgets/DbCommand.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int g_badInputs = 0;
// The second process, copied where the ordinary user can run it: the build folder may lie in
// a checkout that only root can enter.
QString g_helper;
int g_faults = 0;
int g_rowsHarmed = 0;

// The texts a user may type or paste into any box.
struct BadText {
    const char* name;
    QString text;
};

QString oneMegabyte()
{
    // Words of several scripts, so that the text is not one repeated character.
    const QString piece = QStringLiteral("line of text 'q' \"d\" % _ * [x] Ärger 日本\n");
    QString t;
    t.reserve(1024 * 1024 + piece.size());
    while (t.size() < 1024 * 1024)
        t += piece;
    return t;
}

QList<BadText> badTexts()
{
    QString controls = QStringLiteral("tab\tbell\abs\bnul");
    controls += QChar(0);
    controls += QStringLiteral("esc\x1b[0m del\x7f unit\x1f cr\rlf\nend");
    return {
        {"empty", QString()},
        {"blanks", QStringLiteral("   ")},
        {"other spaces",
         QStringLiteral(" \u00A0no-break\u2007figure\u3000wide\u2028line\u200Bzero\uFEFF\t")},
        {"single quotes", QStringLiteral("O'Brien's 'tool'")},
        {"double quotes", QStringLiteral("say \"hi\" \"")},
        {"percent", QStringLiteral("%")},
        {"underscore", QStringLiteral("_")},
        {"star", QStringLiteral("*")},
        {"open bracket", QStringLiteral("[")},
        {"close bracket", QStringLiteral("]")},
        {"injection", QStringLiteral("x'; DROP TABLE Software; --")},
        {"non-Latin", QStringLiteral("Ελληνικά Русский 日本語 한국어 हिन्दी")},
        {"right-to-left", QStringLiteral("עברית العربية \u202Eabc\u202C")},
        {"emoji", QStringLiteral("🚀👍🏽👨‍👩‍👧 🇩🇪")},
        {"combining marks", QStringLiteral("e\u0301 a\u0308\u0323 Z\u0351\u0352\u0353 क्ष")},
        {"control characters", controls},
        {"1 MB", oneMegabyte()},
    };
}

// Every row of every table, by table and key.
using Rows = QMap<QString, QVariantList>;

Rows snapshot(Connection& db)
{
    Rows rows;
    for (const char* table : {"Software", "Versions", "Changes", "Files", "Problems"}) {
        QSqlQuery q = db.run(
            QStringLiteral("SELECT rowid, * FROM [%1] ORDER BY rowid").arg(QLatin1String(table)));
        while (q.next()) {
            QVariantList values;
            for (int i = 1; i < q.record().count(); ++i)
                values << q.value(i);
            rows.insert(QStringLiteral("%1:%2").arg(QLatin1String(table), q.value(0).toString()),
                        values);
        }
    }
    return rows;
}

// Rows lost, changed or added other than those the command was asked to touch; they are
// counted for the summary.
QStringList unasked(const Rows& before, const Rows& after, const QStringList& asked = {})
{
    QStringList out;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!asked.contains(it.key()) && after.value(it.key()) != it.value())
            out << it.key();
    }
    for (auto it = after.begin(); it != after.end(); ++it) {
        if (!asked.contains(it.key()) && !before.contains(it.key()))
            out << it.key();
    }
    g_rowsHarmed += int(out.size());
    return out;
}

QString newestKey(TestEnv& env, const char* table)
{
    return QStringLiteral("%1:%2").arg(
        QLatin1String(table),
        env.scalar(QStringLiteral("SELECT max(rowid) FROM [%1]").arg(QLatin1String(table)))
            .toString());
}

// Deletes the record just checked with the window's own command, so that big texts do not
// pile up in the lists; the delete must remove that row alone.
void deleteChecked(TestEnv& env, QAbstractButton* command, const QString& key,
                   const QByteArray& what)
{
    const Rows before = snapshot(env.db());
    env.msgs.clear();
    env.msgs.answer(MsgResult::Yes);
    command->click();
    QVERIFY2(env.msgs.count() == 1, what + " " + env.msgs.lastText().toUtf8());
    env.msgs.clear();
    const Rows after = snapshot(env.db());
    QVERIFY2(!after.contains(key), what + " not deleted");
    QVERIFY2(unasked(before, after, {key}).isEmpty(), what);
}

// A single-line box lays a megabyte out in about a second; such texts are shown back once,
// by the title's edit dialog, and checked in the lists and the file elsewhere.
bool huge(const QString& text)
{
    return text.size() > 64 * 1024;
}

int rowOfKey(const QListWidget* keys, qint64 key)
{
    for (int i = 0; i < keys->count(); ++i) {
        if (keys->item(i)->text() == QString::number(key))
            return i;
    }
    return -1;
}

// A multi-line box takes a carriage return, alone or before a line feed, as one line break.
QString asShown(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

bool isDatabaseMessage(const MsgBoxCall& call, const QString& reason)
{
    return call.icon == MsgIcon::Critical && call.text.contains(reason, Qt::CaseInsensitive);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    // A title with a version, a change, a file and a problem, and a second title; the window
    // is open with the first title selected.
    struct Fixture {
        TestEnv env;
        qint64 title = 0, other = 0, release = 0;
        std::unique_ptr<MainWindow> w;
        Fixture()
        {
            title = env.addTitle(QStringLiteral("Editor"), QStringLiteral("old comments"));
            other = env.addTitle(QStringLiteral("Other"), QStringLiteral("other comments"));
            release = env.addVersion(title, QStringLiteral("1.0"), QDate(2001, 3, 3));
            env.addChange(release, QStringLiteral("first change"));
            env.addFile(release, QStringLiteral("core.dll"), QStringLiteral("1.0.0"),
                        QDate(2001, 3, 1));
            env.addProblem(title, QStringLiteral("crash on start"), QStringLiteral("reinstall"));
            env.addVersion(other, QStringLiteral("9.9"), QDate(2009, 9, 9));
            w = env.openWindow();
            SelectTitle(*w, QStringLiteral("Editor"));
        }
    };

private slots:
    // ---- Bad input -------------------------------------------------------------------------

    void titlesAndComments()
    {
        Fixture f;
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
        Fixture f;
        MainWindow& w = *f.w;
        const QDate date(2004, 5, 6);
        for (const BadText& bad : badTexts()) {
            const QString text = bad.text;

            // Release number.
            QByteArray what = QByteArray("release number ") + bad.name;
            ++g_badInputs;
            Rows before = snapshot(f.env.db());
            f.env.msgs.clear();
            bool stayed = false;
            QVERIFY(WorkDialog(w.cmdAddVersion, [&](QDialog* dlg) {
                child<QLineEdit>(dlg, "txtVersion")->setText(text);
                child<QDateEdit>(dlg, "dtpReleaseDate")->setDate(date);
                Click(dlg, "cmdOK");
                stayed = dlg->isVisible();
            }));
            if (text.isEmpty()) {
                QVERIFY2(stayed && f.env.msgs.saw(Msg::kFieldsMissing), what);
                QVERIFY2(unasked(before, snapshot(f.env.db())).isEmpty(), what);
            } else {
                QVERIFY2(!stayed, what + " " + f.env.msgs.lastText().toUtf8());
                const QString key = newestKey(f.env, "Versions");
                QVERIFY2(unasked(before, snapshot(f.env.db()), {key}).isEmpty(), what);
                const qint64 id = key.section(':', 1).toLongLong();
                QCOMPARE(
                    f.env.scalar("SELECT ReleaseNumber FROM Versions WHERE ReleaseID = ?", {id})
                        .toString(),
                    text);
                const int row = rowOfKey(w.lstVersionID, id);
                QVERIFY2(row >= 0, what);
                QCOMPARE(w.lstVersionDate->item(row)->text(), VersionLine(text, date));
                w.lstVersionDate->setCurrentRow(row);
                if (!huge(text)) {
                    QVERIFY(WorkDialog(w.cmdEditVersion, [&](QDialog* dlg) {
                        QCOMPARE(child<QLineEdit>(dlg, "txtVersion")->text(), text);
                    }));
                }
                w.lstVersionDate->setCurrentRow(rowOfKey(w.lstVersionID, id));
                deleteChecked(f.env, w.cmdDeleteVersion, key, what);
                w.lstVersionDate->setCurrentRow(rowOfKey(w.lstVersionID, f.release));
            }

            // Change.
            what = QByteArray("change ") + bad.name;
            ++g_badInputs;
            before = snapshot(f.env.db());
            f.env.msgs.clear();
            QVERIFY(WorkDialog(w.cmdAddChange, [&](QDialog* dlg) {
                child<QLineEdit>(dlg, "txtChange")->setText(text);
                Click(dlg, "cmdOK");
                stayed = dlg->isVisible();
            }));
            if (text.isEmpty()) {
                QVERIFY2(stayed && f.env.msgs.saw(Msg::kFieldsMissing), what);
                QVERIFY2(unasked(before, snapshot(f.env.db())).isEmpty(), what);
            } else {
                QVERIFY2(!stayed, what + " " + f.env.msgs.lastText().toUtf8());
                const QString key = newestKey(f.env, "Changes");
                QVERIFY2(unasked(before, snapshot(f.env.db()), {key}).isEmpty(), what);
                const qint64 id = key.section(':', 1).toLongLong();
                QCOMPARE(f.env.scalar("SELECT [Change] FROM Changes WHERE ChangeID = ?", {id})
                             .toString(),
                         text);
                const int row = rowOfKey(w.lstChangeID, id);
                QVERIFY2(row >= 0, what);
                QCOMPARE(w.lstChanges->item(row)->text(), text);
                w.lstChanges->setCurrentRow(row);
                if (!huge(text)) {
                    QVERIFY(WorkDialog(w.cmdEditChange, [&](QDialog* dlg) {
                        QCOMPARE(child<QLineEdit>(dlg, "txtChange")->text(), text);
                    }));
                }
                w.lstChanges->setCurrentRow(rowOfKey(w.lstChangeID, id));
                deleteChecked(f.env, w.cmdDeleteChange, key, what);
            }

            // File name, then file version.
            for (int field = 0; field < 2; ++field) {
                what = QByteArray(field == 0 ? "file name " : "file version ") + bad.name;
                const QString name = field == 0 ? text : QStringLiteral("setup.exe");
                const QString version = field == 1 ? text : QStringLiteral("2.0");
                ++g_badInputs;
                before = snapshot(f.env.db());
                f.env.msgs.clear();
                QVERIFY(WorkDialog(w.cmdAddFile, [&](QDialog* dlg) {
                    child<QLineEdit>(dlg, "txtFile")->setText(name);
                    child<QLineEdit>(dlg, "txtVersion")->setText(version);
                    child<QDateEdit>(dlg, "dtpDate")->setDate(date);
                    Click(dlg, "cmdOK");
                    stayed = dlg->isVisible();
                }));
                if (text.isEmpty()) {
                    QVERIFY2(stayed && f.env.msgs.saw(Msg::kFieldsMissing), what);
                    QVERIFY2(unasked(before, snapshot(f.env.db())).isEmpty(), what);
                    continue;
                }
                QVERIFY2(!stayed, what + " " + f.env.msgs.lastText().toUtf8());
                const QString key = newestKey(f.env, "Files");
                QVERIFY2(unasked(before, snapshot(f.env.db()), {key}).isEmpty(), what);
                const qint64 id = key.section(':', 1).toLongLong();
                QSqlQuery q =
                    f.env.db().run("SELECT [File], [Version] FROM Files WHERE FileID = ?", {id});
                QVERIFY(q.next());
                QCOMPARE(q.value(0).toString(), name);
                QCOMPARE(q.value(1).toString(), version);
                const int row = rowOfKey(w.lstFileID, id);
                QVERIFY2(row >= 0, what);
                QCOMPARE(w.lstFiles->item(row)->text(), FileLine(name, version, date));
                w.lstFiles->setCurrentRow(row);
                if (!huge(text)) {
                    QVERIFY(WorkDialog(w.cmdEditFile, [&](QDialog* dlg) {
                        QCOMPARE(child<QLineEdit>(dlg, "txtFile")->text(), name);
                        QCOMPARE(child<QLineEdit>(dlg, "txtVersion")->text(), version);
                    }));
                }
                w.lstFiles->setCurrentRow(rowOfKey(w.lstFileID, id));
                deleteChecked(f.env, w.cmdDeleteFile, key, what);
            }
            if (!text.isEmpty())
                QVERIFY2(f.env.msgs.count() == 0, what + " " + f.env.msgs.lastText().toUtf8());
        }
    }

    void problemsSolutionsAndSearches()
    {
        Fixture f;
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

    // ---- Faults underneath -----------------------------------------------------------------

    void databaseMadeReadOnly()
    {
        Fixture f;
        const QString path = f.env.dbPath();
        ++g_faults;
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        savesFailAndKeepTyping(f, QStringLiteral("read-only"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        savesWorkAgain(f);

        // A folder that cannot be written to leaves no room for the journal.
        ++g_faults;
        const auto folderMode = QFile::permissions(f.env.folder());
        QVERIFY(QFile::setPermissions(f.env.folder(), QFile::ReadOwner | QFile::ExeOwner));
        savesFailAndKeepTyping(f, QStringLiteral("cannot be written"));
        QVERIFY(QFile::setPermissions(f.env.folder(), folderMode));
        savesWorkAgain(f);
    }

    void diskFull()
    {
        Fixture f;
        ++g_faults;
        const int pages = f.env.scalar("PRAGMA page_count").toInt();
        f.env.db().run(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
        savesFailAndKeepTyping(f, QStringLiteral("full"));
        f.env.db().run(QStringLiteral("PRAGMA max_page_count = 1073741823"));
        savesWorkAgain(f);
    }

    void anotherProcessHoldsTheWriteLock()
    {
        Fixture f;
        MainWindow& w = *f.w;
        ++g_faults;
        QProcess holder;
        holder.start(g_helper, {"lock", f.env.dbPath()});
        QVERIFY(holder.waitForStarted());
        QVERIFY(holder.waitForReadyRead(20000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

        const Rows before = snapshot(f.env.db());
        const QString typed = QStringLiteral("typed while the file was locked");
        bool stayed = false;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(WorkDialog(w.cmdAddSoftware, [&](QDialog* dlg) {
            child<QLineEdit>(dlg, "txtSoftware")->setText(typed);
            Click(dlg, "cmdOK");
            stayed = dlg->isVisible();
            QCOMPARE(child<QLineEdit>(dlg, "txtSoftware")->text(), typed);
            dlg->reject(); // the close box: Cancel would refresh, and wait once more
        }));
        const qint64 waited = clock.elapsed();
        QVERIFY(stayed);
        QVERIFY2(waited >= 4000 && waited < 20000, qPrintable(QString::number(waited)));
        QCOMPARE(f.env.msgs.count(), 1);
        QVERIFY2(isDatabaseMessage(f.env.msgs.calls[0], QStringLiteral("another program")),
                 qPrintable(f.env.msgs.lastText()));

        typeOver(w.txtComments, typed);
        SelectTitle(w, QStringLiteral("Other"));
        QCOMPARE(f.env.msgs.count(), 2);
        QCOMPARE(w.txtComments->toPlainText(), typed);
        QCOMPARE(w.cboSoftware->currentText(), QStringLiteral("Editor"));
        QVERIFY(unasked(before, snapshot(f.env.db())).isEmpty());

        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(20000));
        QCOMPARE(holder.exitCode(), 0);
        SelectTitle(w, QStringLiteral("Other"));
        QCOMPARE(f.env.msgs.count(), 2);
        QCOMPARE(f.env.scalar("SELECT Comments FROM Software WHERE SoftwareID = ?", {f.title}),
                 typed);
        QCOMPARE(f.env.scalar("SELECT count(*) FROM Software WHERE SoftwareTitle = "
                              "'written by another program'"),
                 1);
    }

    void killedInTheMiddleOfSaves()
    {
        for (int stopAfter : {3, 17, 41}) {
            TestEnv env;
            env.addTitle(QStringLiteral("Editor"));
            const QString path = env.dbPath();
            Connection::closeAll();
            ++g_faults;
            QProcess burst;
            burst.start(g_helper, {"burst", path});
            QVERIFY(burst.waitForStarted());
            QList<int> saved;
            QElapsedTimer clock;
            clock.start();
            while (saved.size() < stopAfter && clock.elapsed() < 30000) {
                if (!burst.canReadLine() && !burst.waitForReadyRead(1000))
                    continue;
                while (burst.canReadLine())
                    saved << burst.readLine().trimmed().toInt();
            }
            burst.kill(); // SIGKILL
            QVERIFY(burst.waitForFinished(10000));
            while (burst.canReadLine())
                saved << burst.readLine().trimmed().toInt();
            QVERIFY2(saved.size() >= stopAfter, burst.readAllStandardError().constData());

            QCOMPARE(env.scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
            QCOMPARE(env.scalar("PRAGMA foreign_key_check"), QVariant());
            for (int i : saved) {
                QVERIFY2(env.scalar("SELECT count(*) FROM Problems WHERE Problem = ?",
                                    {QStringLiteral("burst %1").arg(i)})
                                 .toInt() == 1,
                         qPrintable(QString::number(i)));
            }
            // The last command may have been saved without being reported, never more.
            const int last = saved.last();
            const int stored = env.scalar("SELECT count(*) FROM Problems").toInt();
            QVERIFY(stored == last + 1 || stored == last + 2);
            QCOMPARE(env.scalar("SELECT Comments FROM Software").toString(),
                     QStringLiteral("after %1").arg(stored - 1));
        }
    }

    void startUpRefusesFilesItCannotUse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty file") << "empty"
                                    << "empty";
        QTest::newRow("text file") << "text"
                                   << "not an SQLite file";
        QTest::newRow("truncated") << "truncated"
                                   << "damaged";
        QTest::newRow("header only") << "header"
                                     << "damaged";
        QTest::newRow("other program") << "other"
                                       << "another program";
        QTest::newRow("access file") << "access"
                                     << "not an SQLite file";
        QTest::newRow("folder") << "folder"
                                << "folder";
        QTest::newRow("unreadable") << "unreadable"
                                    << "cannot be read";
        QTest::newRow("missing folder") << "missing"
                                        << "does not exist";
    }
    void startUpRefusesFilesItCannotUse()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        TestEnv env;
        ++g_faults;
        QString path = env.folder() + "/data/notes.mdb";
        QVERIFY(QDir().mkpath(env.folder() + "/data"));
        if (kind == "empty") {
            writeBytes(path, {});
        } else if (kind == "text") {
            writeBytes(path, "[Notes]\nNothing to see here.\n");
        } else if (kind == "access") {
            writeBytes(path, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) +
                                 QByteArray(4096, '\x2a'));
        } else if (kind == "truncated" || kind == "header" || kind == "other") {
            {
                auto c = Connection::open(path);
                if (kind == "other") {
                    for (const char* t : {"Software", "Versions", "Changes", "Files", "Problems"})
                        c->run(QStringLiteral("DROP TABLE [%1]").arg(QLatin1String(t)));
                    c->run("CREATE TABLE Invoices (id INTEGER PRIMARY KEY, total REAL)");
                    c->run("INSERT INTO Invoices (total) VALUES (12.5)");
                } else {
                    Transaction t(*c);
                    for (int i = 0; i < 200; ++i)
                        c->run("INSERT INTO Software (SoftwareTitle, Comments) VALUES (?, ?)",
                               {QString::number(i), QString(500, QLatin1Char('c'))});
                    t.commit();
                }
            }
            Connection::closeAll();
            if (kind != "other") {
                const QByteArray whole = bytesOf(path);
                writeBytes(path, whole.left(kind == "header" ? 100 : whole.size() / 2));
            }
        } else if (kind == "folder") {
            path = env.folder() + "/data";
        } else if (kind == "unreadable") {
            writeBytes(path, "SQLite format 3");
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        } else if (kind == "missing") {
            path = env.folder() + "/gone/notes.mdb";
        }
        const QByteArray before = bytesOf(path);
        const QStringList filesBefore = QDir(env.folder() + "/data").entryList(QDir::Files);
        QVERIFY(WriteIniSetting("Preferences", "Database", path));

        auto w = Main();
        QVERIFY(!w);
        QCOMPARE(env.msgs.count(), 1);
        const QString text = env.msgs.lastText();
        QCOMPARE(env.msgs.calls[0].icon, MsgIcon::Critical);
        QVERIFY2(text.contains(path), qPrintable(text));
        QVERIFY2(text.contains(reason, Qt::CaseInsensitive), qPrintable(text));
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(QDir(env.folder() + "/data").entryList(QDir::Files), filesBefore);
        QVERIFY(!QFile::exists(env.folder() + "/gone"));
    }

    void settingsFilesOfEveryShape_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("ownPath"); // the stored path is used, not the default
        QTest::newRow("binary garbage") << "garbage" << false;
        QTest::newRow("huge") << "huge" << true;
        QTest::newRow("unreadable") << "unreadable" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("key in another section") << "section" << false;
        QTest::newRow("other letter case") << "case" << true;
    }
    void settingsFilesOfEveryShape()
    {
        QFETCH(QString, kind);
        QFETCH(bool, ownPath);
        TestEnv env;
        ++g_faults;
        const QByteArray own = (env.folder() + "/Mine.mdb").toUtf8();
        QByteArray bytes;
        if (kind == "garbage") {
            for (int i = 0; i < 65536; ++i)
                bytes += char((i * 7919 + 13) % 256);
            bytes += "\n[Preferences\nDatabase\n=\0\xff\xfe";
        } else if (kind == "huge") {
            bytes.reserve(6 * 1024 * 1024);
            while (bytes.size() < 6 * 1024 * 1024)
                bytes += "[Filler]\nkey=a value that nobody reads, again and again\n";
            bytes += "[Preferences]\nDatabase=" + own + "\n";
        } else if (kind == "unreadable") {
            bytes = "[Preferences]\nDatabase=" + own + "\n";
        } else if (kind == "section") {
            bytes = "[Other]\nDatabase=" + own + "\n[Preferences]\nPath=x\n";
        } else if (kind == "case") {
            bytes = "[pREFERENCES]\r\n  dATABASE = " + own + "\r\n";
        }
        if (kind == "folder")
            QVERIFY(QDir().mkdir(IniFilePath));
        else
            writeBytes(IniFilePath, bytes);
        if (kind == "unreadable")
            QVERIFY(QFile::setPermissions(IniFilePath, QFile::WriteOwner));

        auto started = Main();
        QVERIFY2(started, qPrintable(env.msgs.lastText()));
        const MainWindow w(std::move(started));
        QCOMPARE(env.msgs.count(), 0);
        QCOMPARE(w.dataSoftware->connection()->path(),
                 ownPath ? QString::fromUtf8(own) : DefaultDatabasePath());
        if (kind == "folder")
            QVERIFY(QFileInfo(IniFilePath).isDir());
        else if (kind != "unreadable")
            QVERIFY(bytesOf(IniFilePath) == bytes);
        QVERIFY(w.form->isVisible());
    }

private:
    // Every kind of save while the fault lasts: each gives a clear message, what was typed
    // stays where it was typed, and no row changes.
    void savesFailAndKeepTyping(Fixture& f, const QString& reason)
    {
        MainWindow& w = *f.w;
        const Rows before = snapshot(f.env.db());
        // Big enough to need new pages of the file.
        const QString typed =
            QStringLiteral("typed during fault %1 ").arg(g_faults) + QString(70000, 'z');
        int expected = 0;
        auto check = [&](const char* what) {
            ++expected;
            QVERIFY2(
                f.env.msgs.count() == expected,
                qPrintable(QStringLiteral("%1: %2 messages").arg(what).arg(f.env.msgs.count())));
            QVERIFY2(isDatabaseMessage(f.env.msgs.calls.last(), reason),
                     qPrintable(QString(what) + ": " + f.env.msgs.lastText()));
        };
        f.env.msgs.clear();

        auto dialogKeeps = [&](QAbstractButton* opener, const QList<const char*>& boxes,
                               const char* what) {
            QVERIFY(WorkDialog(opener, [&](QDialog* dlg) {
                for (const char* name : boxes) {
                    if (auto* line = dlg->findChild<QLineEdit*>(QLatin1String(name)))
                        line->setText(typed);
                    else
                        child<QPlainTextEdit>(dlg, name)->setPlainText(typed);
                }
                Click(dlg, "cmdOK");
                QVERIFY2(dlg->isVisible(), what);
                for (const char* name : boxes) {
                    if (auto* line = dlg->findChild<QLineEdit*>(QLatin1String(name)))
                        QVERIFY2(line->text() == typed, what);
                    else
                        QVERIFY2(child<QPlainTextEdit>(dlg, name)->toPlainText() == typed, what);
                }
            }));
            check(what);
        };
        dialogKeeps(w.cmdAddSoftware, {"txtSoftware"}, "add title");
        dialogKeeps(w.cmdEditSoftware, {"txtSoftware"}, "rename title");
        dialogKeeps(w.cmdAddVersion, {"txtVersion"}, "add version");
        dialogKeeps(w.cmdAddChange, {"txtChange"}, "add change");
        w.lstFiles->setCurrentRow(0);
        dialogKeeps(w.cmdEditFile, {"txtFile", "txtVersion"}, "edit file");
        w.tabGeneral->setCurrentIndex(1);
        dialogKeeps(w.cmdAddProblem, {"txtProblem", "txtSolution"}, "add problem");

        typeOver(w.txtSolution, typed);
        w.cmdNext->click();
        check("solution saved by a move");
        QVERIFY(w.txtSolution->toPlainText() == typed);

        typeOver(w.txtComments, typed);
        SelectTitle(w, QStringLiteral("Other"));
        check("comments saved by picking another title");
        QVERIFY(w.txtComments->toPlainText() == typed);
        QCOMPARE(w.cboSoftware->currentText(), QStringLiteral("Editor"));

        QVERIFY(f.w->form->isVisible());
        QVERIFY(unasked(before, snapshot(f.env.db())).isEmpty());
    }

    // Once the fault is gone the typing left in the boxes is saved, and so is a new record.
    void savesWorkAgain(Fixture& f)
    {
        MainWindow& w = *f.w;
        const Rows before = snapshot(f.env.db());
        f.env.msgs.clear();
        const QString typedSolution = w.txtSolution->toPlainText();
        const QString typedComments = w.txtComments->toPlainText();
        w.cmdFirst->click();
        SelectTitle(w, QStringLiteral("Other"));
        QCOMPARE(f.env.msgs.count(), 0);
        QCOMPARE(f.env.scalar("SELECT Solution FROM Problems WHERE SoftwareID = ?", {f.title})
                     .toString(),
                 typedSolution);
        QCOMPARE(f.env.scalar("SELECT Comments FROM Software WHERE SoftwareID = ?", {f.title})
                     .toString(),
                 typedComments);
        const QString title = QStringLiteral("after the fault %1").arg(g_faults);
        bool stayed = true;
        QVERIFY(WorkDialog(w.cmdAddSoftware, [&](QDialog* dlg) {
            child<QLineEdit>(dlg, "txtSoftware")->setText(title);
            Click(dlg, "cmdOK");
            stayed = dlg->isVisible();
        }));
        QVERIFY(!stayed);
        QCOMPARE(f.env.msgs.count(), 0);
        const QString newTitle = newestKey(f.env, "Software");
        QStringList asked = {newTitle, QStringLiteral("Software:%1").arg(f.title)};
        const QString problemKey =
            QStringLiteral("Problems:%1")
                .arg(f.env.scalar("SELECT ProblemID FROM Problems WHERE SoftwareID = ?", {f.title})
                         .toString());
        asked << problemKey;
        QVERIFY(unasked(before, snapshot(f.env.db()), asked).isEmpty());
        SelectTitle(w, QStringLiteral("Editor"));
    }
};

int main(int argc, char** argv)
{
    // File permissions do not stop root; the faults of a read-only or unreadable file need an
    // ordinary user. The temporary folders are made after the switch, so they are its own.
    char home[] = "/tmp/tst_faults-home-XXXXXX";
    if (!mkdtemp(home)) {
        std::perror("mkdtemp");
        return 2;
    }
    g_helper = QString::fromLocal8Bit(home) + QStringLiteral("/faults_helper");
    if (!QFile::copy(QStringLiteral(VANTOR_FAULTS_HELPER), g_helper)) {
        std::fprintf(stderr, "cannot copy %s\n", VANTOR_FAULTS_HELPER);
        return 2;
    }
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        const uid_t uid = nobody ? nobody->pw_uid : 65534;
        const gid_t gid = nobody ? nobody->pw_gid : 65534;
        const QByteArray helper = QFile::encodeName(g_helper);
        if (chown(home, uid, gid) != 0 || chown(helper.constData(), uid, gid) != 0 ||
            setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
            std::perror("cannot leave root");
            return 2;
        }
    }
    // The working folder CTest gave may be out of the ordinary user's reach too.
    if (chdir(home) != 0) {
        std::perror("chdir");
        return 2;
    }
    setenv("HOME", home, 1);
    setenv("XDG_RUNTIME_DIR", home, 1);
    setenv("XDG_CACHE_HOME", home, 1);
    setenv("XDG_CONFIG_HOME", home, 1);
    int rc = 0;
    {
        QApplication app(argc, argv);
        TestFaults test;
        rc = QTest::qExec(&test, argc, argv);
    }
    std::printf("fault suite: %d bad inputs, %d faults injected, %d rows lost or changed unasked\n",
                g_badInputs, g_faults, g_rowsHarmed);
    QDir(QString::fromLocal8Bit(home)).removeRecursively();
    return rc != 0 ? rc : (g_rowsHarmed != 0 ? 1 : 0);
}

#include "tst_faults.moc"
