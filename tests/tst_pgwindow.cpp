// The server database as a person meets it, through the real windows on the throwaway server of
// the test command: start-up failures, a server that stops mid-session, and a second user in a
// process of their own (second_user) saving into the same database.
#include "app/Main.h"
#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/settings/Settings.h"
#include "tests/EngineSupport.h"
#include "tests/ProblemSupport.h"

#include <QProcess>
#include <QtTest>

#include <libpq-fe.h>

#include <arpa/inet.h>
#include <csignal>
#include <future>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
const QString kCannotOpen = QStringLiteral("Vantor cannot open its database\n");
const QString kRefused =
    QStringLiteral("The database could not carry out the command; nothing was changed.\n\n");

// A server that takes connections and never says a word, as a hung one, or a host behind a
// firewall that drops everything, keeps a client waiting.
class SilentServer {
public:
    SilentServer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_fd, 16);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &length);
        m_port = ntohs(a.sin_port);
    }
    ~SilentServer() { ::close(m_fd); }
    int port() const { return m_port; }

private:
    int m_fd;
    int m_port = 0;
};

// Another session that holds a problem's row locked in an open transaction, until release().
class RowLock {
public:
    RowLock(const QString& uri, qint64 problem) : m_c(PQconnectdb(uri.toUtf8().constData()))
    {
        // Code that cannot cancel would wait on this lock for good: the server ends it first.
        run("SET idle_in_transaction_session_timeout = '30s'");
        run("BEGIN");
        run(QStringLiteral("SELECT 1 FROM problems WHERE problemid = %1 FOR UPDATE")
                .arg(problem)
                .toUtf8());
    }
    ~RowLock() { PQfinish(m_c); }
    void release() { run("ROLLBACK"); }
    RowLock(const RowLock&) = delete;
    RowLock& operator=(const RowLock&) = delete;

private:
    void run(const QByteArray& sql)
    {
        PGresult* r = PQexec(m_c, sql.constData());
        const bool ok =
            PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
        QVERIFY2(ok, PQerrorMessage(m_c));
    }
    PGconn* m_c;
};

// A title with two problems in a database of its own on the test server; the window is open
// on it with the title chosen.
struct SharedTitle {
    SharedTitle()
    {
        title = db.addTitle("Shared", "our comments");
        first = db.addProblem(title, "first problem", "first solution");
        second = db.addProblem(title, "second problem", "second solution");
        w = env.openWindow("Shared");
        w->tabGeneral->setCurrentIndex(1);
    }
    // One command of the other user; what it printed.
    QString other(const QStringList& command)
    {
        QProcess p;
        p.start(QStringLiteral(VANTOR_SECOND_USER), QStringList{env.CoreEnv::dbPath()} + command);
        const bool done = p.waitForFinished(60000);
        const QByteArray err = p.readAllStandardError();
        [&] { QVERIFY2(done && p.exitCode() == 0, err.constData()); }();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QVariant stored(const char* field, qint64 problem)
    {
        return db.scalar(QStringLiteral("SELECT [%1] FROM [Problems] WHERE [ProblemID] = ?")
                             .arg(QLatin1String(field)),
                         {problem});
    }
    // The one message since the last look, which must be the database's refusal.
    QString refusal()
    {
        const QList<MsgBoxCall> calls = env.msgs.calls;
        env.msgs.clear();
        if (calls.size() != 1 || calls[0].icon != MsgIcon::Critical ||
            !calls[0].text.startsWith(kRefused))
            return QStringLiteral("(not one refusal: %1)").arg(calls.size());
        return calls[0].text.mid(kRefused.size());
    }

    TestEnv env{CoreEnv::Server};
    CoreEnv& db = env;
    qint64 title = 0, first = 0, second = 0;
    std::unique_ptr<MainWindow> w;
};
} // namespace

class TestPgWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(PgTestServer::available()); }

    // Each way a server database fails to open: one message naming the server and the
    // database, no password anywhere in it, and no window. libpq's deadline keeps a host that
    // never answers within the time a person waits.
    void startUpFailures_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("password"); // in PGPASSWORD
        QTest::addColumn<QString>("says");
        const QString host = PgTestServer::setting("PGTEST_HOST");
        const QString port = PgTestServer::setting("PGTEST_PORT");
        const QString role = PgTestServer::setting("PGTEST_PW_ROLE");
        const QString socket = QStringLiteral("/vantor?host=%1&port=%2").arg(host, port);
        const QString onSocket = "database \"vantor\" on the server " + host;
        QTest::newRow("wrong password in the setting")
            << QStringLiteral("postgresql://%1:wrong-secret@%2").arg(role, socket) << ""
            << onSocket;
        QTest::newRow("wrong password in PGPASSWORD")
            << QStringLiteral("postgresql://%1@%2").arg(role, socket) << "wrong-secret"
            << "Check the password";
        QTest::newRow("no password found")
            << QStringLiteral("postgresql://%1@%2").arg(role, socket) << ""
            << "~/.pgpass";
        QTest::newRow("missing database") << PgTestServer::uri("nosuchdb") << ""
                                          << "database \"nosuchdb\" on the server " + host;
        QTest::newRow("nothing on the socket")
            << QStringLiteral("postgresql:///vantor?host=%1&port=%2")
                   .arg(host)
                   .arg(port.toInt() + 1)
            << "" << QStringLiteral("port %1").arg(port.toInt() + 1);
        QTest::newRow("nothing on the port") << "postgresql://127.0.0.1:1/vantor"
                                             << ""
                                             << "database \"vantor\" on the server 127.0.0.1";
        // Never routed; where the network answers for it at once, the silent server stands in.
        QTest::newRow("unroutable host") << "postgresql://192.0.2.1/vantor"
                                         << ""
                                         << "database \"vantor\" on the server 192.0.2.1";
        QTest::newRow("host that never answers")
            << QStringLiteral("postgresql://127.0.0.1:%1/vantor").arg(m_silent.port()) << ""
            << "did not answer within";
        QTest::newRow("address not understood") << "postgresql://alice:wrong-secret%ZZ@[::1/vantor"
                                                << ""
                                                << "not a connection address";
    }
    void startUpFailures()
    {
        QFETCH(QString, setting);
        QFETCH(QString, password);
        QFETCH(QString, says);
        TestEnv env;
        QVERIFY(WriteIniSetting("Preferences", "Database", setting));
        if (!password.isEmpty())
            qputenv("PGPASSWORD", password.toUtf8());
        const auto window = Main();
        qunsetenv("PGPASSWORD");
        QVERIFY(!window);
        QCOMPARE(env.msgs.count(), 1);
        const MsgBoxCall& call = env.msgs.calls.first();
        QCOMPARE(call.icon, MsgIcon::Critical);
        QVERIFY2(call.text.startsWith(kCannotOpen + ShownDatabase(setting) + "\n\n") &&
                     call.text.contains(says) && !call.text.contains("wrong-secret"),
                 qPrintable(call.text));
    }

    // The server stops with typing in a box: each command says so and keeps the typing; once
    // the server is back the next command saves it, without a new start.
    void serverStoppedMidSession()
    {
        SharedTitle t;
        PgTestServer::Halt away;
        typeOver(t.w->txtProblem, "typed while the server was away");
        t.w->cmdNext->click();
        const QString why = t.refusal();
        QVERIFY2(why.startsWith("The database server cannot be reached (database \"" +
                                t.db.serverDatabase()),
                 qPrintable(why));
        SelectTitle(*t.w, "Shared");
        QVERIFY(t.refusal().startsWith("The database server cannot be reached"));
        QCOMPARE(shown(*t.w), "typed while the server was away");
        // Closing asks before the typing is lost, and No keeps the window.
        QVERIFY(!t.w->form->close());
        QCOMPARE(t.env.msgs.lastText(),
                 "What you typed could not be saved. Close Vantor anyway and lose it?");
        t.env.msgs.clear();

        away.resume();
        t.w->cmdNext->click();
        QCOMPARE(t.env.msgs.count(), 0);
        QCOMPARE(shown(*t.w), "second problem");
        QCOMPARE(t.stored("Problem", t.first), "typed while the server was away");
    }

    // The other user saves a problem this window has read: this window's save is refused in
    // words that say so, keeps the typing and overwrites nothing; reading the title again shows
    // their save, and the typing is saved beside it.
    void saveOverAnotherUsersChange()
    {
        SharedTitle t;
        t.other({"set", "Problems", QString::number(t.first), "Solution", "their solution"});
        typeOver(t.w->txtProblem, "my problem");
        t.w->cmdNext->click();
        QCOMPARE(t.refusal(), RowConflict(RowConflict::Changed, false).text());
        QCOMPARE(shown(*t.w), "my problem");
        QCOMPARE(t.stored("Problem", t.first), "first problem");
        QCOMPARE(t.stored("Solution", t.first), "their solution");

        SelectTitle(*t.w, "Shared");
        QCOMPARE(t.env.msgs.count(), 0);
        QCOMPARE(shown(*t.w), "my problem");
        QCOMPARE(t.w->txtSolution->toPlainText(), "their solution");
        QCOMPARE(t.stored("Problem", t.first), "my problem");
        QCOMPARE(t.stored("Solution", t.first), "their solution");
    }

    // The other user deletes the problem shown, then the whole title: saves into them are
    // refused as deleted, the typing is never written into another record, and the title's
    // problems went with it at once.
    void saveIntoWhatAnotherUserDeleted()
    {
        SharedTitle t;
        t.other({"delete", "Problems", QString::number(t.first)});
        typeOver(t.w->txtProblem, "typed into a deleted problem");
        t.w->cmdNext->click();
        QCOMPARE(t.refusal(), RowConflict(RowConflict::Deleted, false).text());
        QCOMPARE(shown(*t.w), "typed into a deleted problem");
        t.w->cmdNext->click();
        QCOMPARE(t.env.msgs.count(), 0);
        QCOMPARE(shown(*t.w), "second problem");
        QCOMPARE(t.stored("Problem", t.second), "second problem");

        t.other({"delete", "Software", QString::number(t.title)});
        QCOMPARE(t.db.count("Problems"), 0);
        t.w->tabGeneral->setCurrentIndex(2);
        typeOver(t.w->txtComments, "comments of a deleted title");
        SelectTitle(*t.w, "Shared");
        QCOMPARE(t.refusal(), RowConflict(RowConflict::Deleted, false).text());
        QCOMPARE(t.w->txtComments->toPlainText(), "comments of a deleted title");
    }

    // What the other user adds is seen here at the next reading: choosing the title, Find and
    // Clear.
    void anotherUsersAdditionIsSeenAtTheNextReading()
    {
        SharedTitle t;
        const QString added = t.other({"add", "Problems", "SoftwareID", QString::number(t.title),
                                       "Problem", "their problem", "Solution", "their fix"});
        QVERIFY(added.toLongLong() > 0);
        QCOMPARE(walk(*t.w), (QStringList{"first problem", "second problem"}));

        SelectTitle(*t.w, "Shared");
        QCOMPARE(walk(*t.w), (QStringList{"first problem", "second problem", "their problem"}));

        t.other({"add", "Problems", "SoftwareID", QString::number(t.title), "Problem",
                 "their second problem", "Solution", "x"});
        QVERIFY(runDialog(t.w->cmdFind, "their*", "").opened);
        QCOMPARE(walk(*t.w), (QStringList{"their problem", "their second problem"}));

        t.other({"set", "Problems", QString::number(t.first), "Problem", "changed by them"});
        t.w->cmdClear->click();
        QCOMPARE(walk(*t.w), (QStringList{"changed by them", "second problem", "their problem",
                                          "their second problem"}));
        QCOMPARE(t.env.msgs.count(), 0);
    }

    // A row another session holds locked: the save ends at the deadline with one message,
    // stores nothing and keeps the typing; once the lock is gone the next command saves it.
    void saveIntoALockedRowEndsAtTheDeadline()
    {
        qputenv("VANTOR_SERVER_TIMEOUT", "1");
        SharedTitle t;
        qunsetenv("VANTOR_SERVER_TIMEOUT");
        RowLock lock(t.env.CoreEnv::dbPath(), t.first);
        typeOver(t.w->txtProblem, "typed over a locked row");
        t.w->cmdNext->click();
        QCOMPARE(t.refusal(), "The server did not answer within 1 second; nothing was changed.");
        QCOMPARE(shown(*t.w), "typed over a locked row");
        // Cancelled on the server too, not only left behind.
        QCOMPARE(PgTestServer::admin("SELECT count(*) FROM pg_stat_activity WHERE datname = '" +
                                     t.db.serverDatabase() + "' AND wait_event_type = 'Lock'"),
                 "0");
        lock.release();
        QCOMPARE(t.stored("Problem", t.first), "first problem");
        t.w->cmdNext->click();
        QCOMPARE(t.env.msgs.count(), 0);
        QCOMPARE(shown(*t.w), "second problem");
        QCOMPARE(t.stored("Problem", t.first), "typed over a locked row");
    }

    // The server's processes stop in the middle of a command, as on a hung machine: the
    // command ends at the deadline with one message and keeps the typing; once the server goes
    // on, the next command saves it.
    void serverStoppedMidCommand()
    {
        qputenv("VANTOR_SERVER_TIMEOUT", "1");
        SharedTitle t;
        qunsetenv("VANTOR_SERVER_TIMEOUT");
        const QStringList backends =
            PgTestServer::admin("SELECT string_agg(pid::text, ',') FROM pg_stat_activity WHERE "
                                "datname = '" +
                                t.db.serverDatabase() + "'")
                .split(',');
        const auto signal = [&backends](int number) {
            bool sent = true;
            for (const QString& pid : backends)
                sent = ::kill(pid.toInt(), number) == 0 && sent;
            return sent;
        };
        QVERIFY(signal(SIGSTOP));
        // Code without a deadline would wait for good: a watchdog lets the server go on.
        std::promise<void> ended;
        std::thread watchdog([&signal, done = ended.get_future()] {
            if (done.wait_for(std::chrono::seconds(30)) == std::future_status::timeout)
                signal(SIGCONT);
        });
        typeOver(t.w->txtProblem, "typed while the server was stopped");
        t.w->cmdNext->click();
        ended.set_value();
        watchdog.join();
        QVERIFY(signal(SIGCONT));
        QCOMPARE(t.refusal(), "The server did not answer within 1 second; nothing was changed.");
        QCOMPARE(shown(*t.w), "typed while the server was stopped");
        QCOMPARE(t.stored("Problem", t.first), "first problem");
        t.w->cmdNext->click();
        QCOMPARE(t.env.msgs.count(), 0);
        QCOMPARE(t.stored("Problem", t.first), "typed while the server was stopped");
    }

private:
    SilentServer m_silent;
};

QTEST_MAIN(TestPgWindow)
#include "tst_pgwindow.moc"
