// Whatever goes wrong underneath, nothing is lost: faults of the file system, the disk, other
// processes and the settings file, after the bad texts of faults_badinput.cpp. Runs as an
// ordinary user, so that file permissions hold.
#include "app/Main.h"
#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "tests/FaultSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The second process, copied where the ordinary user can run it: the build folder may lie in
// a checkout that only root can enter.
QString g_helper;
} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void databaseMadeReadOnly()
    {
        FaultFixture f;
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
        FaultFixture f;
        ++g_faults;
        const int pages = f.env.scalar("PRAGMA page_count").toInt();
        f.env.db().run(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
        savesFailAndKeepTyping(f, QStringLiteral("full"));
        f.env.db().run(QStringLiteral("PRAGMA max_page_count = 1073741823"));
        savesWorkAgain(f);
    }

    void anotherProcessHoldsTheWriteLock()
    {
        FaultFixture f;
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
        const char* const rows[][3] = {
            {"empty file", "empty", "empty"},
            {"text file", "text", "not an SQLite file"},
            {"truncated", "truncated", "damaged"},
            {"header only", "header", "damaged"},
            {"other program", "other", "another program"},
            {"access file", "access", "is an Access database (of a version Vantor does not know)"},
            {"folder", "folder", "folder"},
            {"unreadable", "unreadable", "cannot be read"},
            {"missing folder", "missing", "does not exist"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << r[1] << r[2];
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
    void savesFailAndKeepTyping(FaultFixture& f, const QString& reason)
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
    void savesWorkAgain(FaultFixture& f)
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
        rc = RunBadInputTests(argc, argv);
        rc |= QTest::qExec(&test, argc, argv);
    }
    std::printf("fault suite: %d bad inputs, %d faults injected, %d rows lost or changed unasked\n",
                g_badInputs, g_faults, g_rowsHarmed);
    QDir(QString::fromLocal8Bit(home)).removeRecursively();
    return rc != 0 ? rc : (g_rowsHarmed != 0 ? 1 : 0);
}

#include "tst_faults.moc"
