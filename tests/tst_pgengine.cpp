// The server engine against the throwaway PostgreSQL server of the test command: its tables,
// the databases it refuses, the translation of the program's WHERE texts, the record sources
// on it, two users at once, a server that goes away and comes back, texts and dates (the
// start-up failures are tst_pgwindow's, through the real start-up). Where the file engine must
// behave the same, the case runs on both.
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/sql/Like.h"
#include "core/sql/SqlText.h"
#include "core/text/TextFormat.h"
#include "tests/CoreSupport.h"
#include "tests/EngineSupport.h"

#include <QtTest>

namespace {
using Kind = CoreEnv::Kind;

void addEngines()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("file") << int(CoreEnv::File);
    QTest::newRow("server") << int(CoreEnv::Server);
}

Kind engineOfRow()
{
    QFETCH(int, kind);
    return Kind(kind);
}

// The keys of a set, in order.
QList<qint64> keysOf(RecordSource& s)
{
    QList<qint64> keys;
    s.MoveFirst();
    s.WalkToEnd([&] { keys << s.currentKey(); });
    return keys;
}

QString openFailure(const QString& path)
{
    try {
        Connection::open(path);
    } catch (const DbError& e) {
        return e.text();
    }
    return QStringLiteral("(opened)");
}

QString tablesOf(const QString& database)
{
    return PgTestServer::admin(
        QStringLiteral("SELECT coalesce(string_agg(relname, ',' ORDER BY relname), '') FROM "
                       "pg_class WHERE relnamespace = 'public'::regnamespace AND relkind = 'r'"),
        database);
}
} // namespace

class TestPgEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(PgTestServer::available()); }

    // The first connection makes the tables with lower-case names, keys, cascades, composite
    // indexes and the row version; a database that is not an empty or a Vantor one is refused
    // and left as it was.
    void tablesOnFirstConnectionAndTheDatabasesRefused()
    {
        {
            CoreEnv d(CoreEnv::Server);
            const qint64 a = d.addTitle("A");
            QCOMPARE(tablesOf(d.serverDatabase()),
                     "changes,files,problems,software,vantor_schema,versions");
            QVERIFY(PgTestServer::admin("SELECT indexdef FROM pg_indexes WHERE indexname = "
                                        "'problemssoftwareindex'",
                                        d.serverDatabase())
                        .endsWith("(softwareid, problemid)"));
            PgTestServer::admin(QStringLiteral("UPDATE software SET comments = 'psql' WHERE "
                                               "softwareid = %1")
                                    .arg(a),
                                d.serverDatabase());
            QCOMPARE(d.scalar("SELECT row_version FROM [Software]"), 2);
            Connection::closeAll();
            PgTestServer::admin("UPDATE vantor_schema SET version = 2", d.serverDatabase());
            QVERIFY(openFailure(d.dbPath()).contains("newer version of Vantor"));
        }
        {
            CoreEnv d(CoreEnv::Server);
            PgTestServer::admin("CREATE TABLE invoices (id int)", d.serverDatabase());
            QVERIFY(openFailure(d.dbPath()).contains("not Vantor's (invoices)"));
            QCOMPARE(tablesOf(d.serverDatabase()), "invoices");
        }
        {
            // Only the owner may create tables in public: the message says what to do.
            CoreEnv d(CoreEnv::Server);
            PgTestServer::admin("DO $$ BEGIN CREATE ROLE vt_clerk LOGIN; EXCEPTION WHEN "
                                "duplicate_object THEN NULL; END $$");
            QString clerk = d.dbPath();
            clerk.replace("user=postgres", "user=vt_clerk");
            const QString why = openFailure(clerk);
            QVERIFY2(why.contains("may not create Vantor's tables") && why.contains("vt_clerk"),
                     qPrintable(why));
            QCOMPARE(tablesOf(d.serverDatabase()), QString());
        }
        const QString ascii = QStringLiteral("vt_ascii_%1").arg(QCoreApplication::applicationPid());
        PgTestServer::admin(QStringLiteral("CREATE DATABASE %1 ENCODING 'SQL_ASCII' LC_COLLATE "
                                           "'C' LC_CTYPE 'C' TEMPLATE template0")
                                .arg(ascii));
        QVERIFY(openFailure(PgTestServer::uri(ascii)).contains("Vantor needs UTF8"));
        QCOMPARE(tablesOf(ascii), QString());
        PgTestServer::admin(QStringLiteral("DROP DATABASE %1").arg(ascii));
    }

    // The program's WHERE texts find the same rows on both engines: quotes and brackets inside
    // texts, LIKE with %, _, a backslash and accents, NOT, OR and brackets.
    void whereTextsFindTheSameRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QList<int>>("titles"); // positions in the list below, from 1
        const QString longPattern = "c" + QString(1000, '%') + "E";
        const QList<QPair<QString, QList<int>>> cases = {
            {"[SoftwareTitle] = 'O''Brien''s Tool'", {1}},
            {"[SoftwareTitle] = '[Name] = ''x'''", {2}},
            {"[SoftwareTitle] LIKE 'cafe%'", {3}},
            {"[SoftwareTitle] LIKE 'CAFE CREME'", {3}},
            {"[SoftwareTitle] LIKE '%\\t%'", {5}},
            {"[SoftwareTitle] LIKE '100%'", {4}},
            {"[SoftwareTitle] LIKE '%ure_t%'", {4}},
            {"[SoftwareTitle] LIKE '%''%'", {1, 2}},
            {"[SoftwareTitle] LIKE '_lain'", {6}},
            {"SoftwareID = 3 OR [SoftwareTitle] = 'plain'", {3, 6}},
            {"[SoftwareID] > -1 AND NOT ([SoftwareTitle] LIKE '%e%')", {6}},
            {"[SoftwareTitle] NOT LIKE '%E%'", {6}},
            {"[SoftwareTitle] IS NULL", {}},
            // Long patterns, which the program checks itself where only ANDs join them.
            {"[SoftwareTitle] LIKE '" + longPattern + "'", {3, 5}},
            {"[SoftwareID] > 1 AND [SoftwareTitle] NOT LIKE '" + longPattern + "'", {2, 4, 6}},
            {"[SoftwareID] = 1 OR [SoftwareTitle] LIKE '" + longPattern + "'", {1, 3, 5}},
        };
        for (int kind : {int(CoreEnv::File), int(CoreEnv::Server)}) {
            for (const auto& [where, titles] : cases)
                QTest::addRow("%s: %s", kind ? "server" : "file", qPrintable(where.left(80)))
                    << kind << where << titles;
        }
    }
    void whereTextsFindTheSameRows()
    {
        QFETCH(QString, where);
        QFETCH(QList<int>, titles);
        CoreEnv d(engineOfRow());
        for (const char* t : {"O'Brien's Tool", "[Name] = 'x'", "Café crème", "100% sure_thing",
                              "C:\\new\\table", "plain"})
            d.addTitle(QString::fromUtf8(t));
        auto s = d.source(Sql::kAllSoftware + QStringLiteral(" WHERE ") + where);
        QList<qint64> expected;
        for (int t : titles)
            expected << t;
        QCOMPARE(keysOf(*s), expected);
    }

    // What the translation does not understand never reaches the server.
    void whereTextsNotUnderstoodAreRefused()
    {
        CoreEnv d(CoreEnv::Server);
        d.addTitle("x");
        for (const char* where :
             {"[SoftwareTitle] = 'x'; DROP TABLE software", "[SoftwareTitle] = 'x' -- note",
              "pg_sleep(5) IS NULL", "[SoftwareTitle] = \"x\"", "[SoftwareTitle] = 'open",
              "[SoftwareTitle] LIKE 'x' ESCAPE '!'", "[Software Title] = 'x'",
              "[SoftwareTitle] = 'x' || current_user", "([SoftwareTitle] = 'x'",
              "[SoftwareTitle]::text = 'x'", "1 = 1) UNION (SELECT 1"}) {
            RecordSource s("set");
            s.setConnectionString(ConnectionText(d.dbPath()));
            s.setRecordSource(Sql::kAllSoftware + " WHERE " + where);
            QVERIFY_THROWS_EXCEPTION(DbError, s.Refresh());
        }
        QCOMPARE(d.count("Software"), 1);
    }

    // The server's search gives LikeMatch's verdict on every text of a compact corpus of the
    // hard cases: case and accents in several scripts, ligatures, signs that fold to letters,
    // syllables, marks alone, wildcards and quotes as characters.
    void searchOnTheServerAgreesWithLikeMatch()
    {
        const QStringList texts = {"Straße",
                                   "STRASSE",
                                   "strasse",
                                   "İstanbul",
                                   "ıi",
                                   "ΣΊΣΥΦΟΣ",
                                   "σίσυφος",
                                   "naïve café",
                                   "NAIVE CAFE",
                                   "e\u0301te\u0301",
                                   "été",
                                   "ﬁle",
                                   "file",
                                   "\u212B",
                                   "Å",
                                   "\u212A",
                                   "k",
                                   "한국어",
                                   "가",
                                   "각",
                                   "\u1100\u1161",
                                   "😀 emoji 😀",
                                   "a%b",
                                   "a_b",
                                   "a\\b",
                                   "'quoted'",
                                   "",
                                   "\u01C4",
                                   "\u01C6",
                                   "x\u05B8y",
                                   "xy",
                                   "\u0958",
                                   "\u0915\u093C",
                                   "ǅ",
                                   "\u0301",
                                   "Ærø",
                                   "ÆRØ",
                                   "µ",
                                   "μ",
                                   "Ω",
                                   "ω"};
        QStringList patterns = {"%",     "_",        "__",   "%_%", "a_b",    "a\\%", "%É%",
                                "STRA%", "%ss%",     "%SS%", "i%",  "I%",     "%ı%",  "%e%",
                                "_te_",  "%\u0301%", "",     "%'%", "a%%b",   "%\\_", "k",
                                "K",     "Ω",        "%μ%",  "ß%",  "%_%_%_%"};
        for (const QString& t : texts) {
            patterns << t << t.toUpper() << t.toLower() << QStringLiteral("%") + t.mid(1) + "%";
        }
        CoreEnv d(CoreEnv::Server);
        const qint64 title = d.addTitle("corpus");
        QList<qint64> keys;
        for (const QString& t : texts)
            keys << d.addProblem(title, t, QString());
        int compared = 0;
        for (const QString& p : patterns) {
            QList<qint64> expected, found;
            for (qsizetype i = 0; i < texts.size(); ++i) {
                if (LikeMatch(p.toUtf8(), texts[i].toUtf8()))
                    expected << keys[i];
            }
            for (const QVariantList& row :
                 d.db().query("SELECT [ProblemID] FROM [Problems] WHERE [Problem] LIKE ? "
                              "ORDER BY [ProblemID]",
                              {p}))
                found << row.value(0).toLongLong();
            QVERIFY2(found == expected, qPrintable(p));
            compared += int(texts.size());
        }
        QVERIFY(compared > 5000);
    }

    // A record source works alike on both engines: walks past its blocks, moves, finds, adds,
    // saves typing, and deletes with the cascade.
    void recordSourceReadsAndWrites_data() { addEngines(); }
    void recordSourceReadsAndWrites()
    {
        CoreEnv d(engineOfRow());
        const qint64 a = d.addTitle("A", "old");
        d.addTitle("B");
        d.addTitle("O'Brien's");
        const qint64 v = d.addVersion(a, "1.0", QDate(2001, 3, 3));
        d.addChange(v, "change");
        d.addFile(v, "a.dll", "1.0.0", QDate(2001, 3, 2));
        for (int i = 0; i < 300; ++i)
            d.addProblem(a, QString::number(i), "s");

        auto s = d.source(Sql::kAllSoftware);
        QCOMPARE(s->RecordCount(), 3);
        QCOMPARE(s->Field("softwaretitle"), "A");
        s->MoveLast();
        s->MovePrevious();
        QCOMPARE(s->Field("SoftwareTitle"), "B");
        QVERIFY(s->Find(Sql::TitleCriterion("O'Brien's")));
        QVERIFY(!s->Find(Sql::TitleCriterion("none")) && s->isEOF());

        FakeBox box;
        s->MoveFirst();
        s->bind(&box, "Comments");
        QCOMPARE(box.text, "old");
        box.type("new comments");
        s->MoveNext();
        QCOMPARE(d.scalar("SELECT [Comments] FROM [Software] WHERE [SoftwareID] = ?", {a}),
                 "new comments");

        s->AddNew();
        s->setField("SoftwareTitle", "C");
        s->Update();
        QVERIFY(s->currentKey() > a && s->RecordCount() == 4);

        auto problems = d.source(Sql::ProblemsOf(a));
        int n = 0;
        problems->WalkToEnd([&] { QCOMPARE(problems->Field("Problem"), QString::number(n++)); });
        QCOMPARE(n, 300);
        for (int i = 299; i >= 0; --i) {
            problems->MovePrevious();
            QCOMPARE(problems->Field("Problem"), QString::number(i));
        }
        auto versions = d.source(Sql::VersionsOf(a));
        QCOMPARE(StoredDate(versions->Field("ReleaseDate")), QDate(2001, 3, 3));

        s->MoveFirst();
        QCOMPARE(RunAsCommand(d.db(), [&] { s->Delete(); }), QString());
        for (const char* table : {"Versions", "Changes", "Files", "Problems"})
            QCOMPARE(d.count(table), 0);
        QCOMPARE(d.count("Software"), 3);
    }

    // Two users on one database: a save over a change made since the row was read is refused
    // and overwrites nothing, the typing stays, and saving again puts it in place; a save or
    // delete of a row someone deleted is refused in the same words on both engines, and the
    // typing is never written into another row.
    void twoUsersEditingOneRecord_data() { addEngines(); }
    void twoUsersEditingOneRecord()
    {
        const Kind kind = engineOfRow();
        CoreEnv d(kind);
        const qint64 a = d.addTitle("A", "old");
        const qint64 b = d.addTitle("B", "b's");
        auto s = d.source(Sql::kAllSoftware);
        FakeBox box;
        s->bind(&box, "Comments");
        const std::shared_ptr<Connection> other = Connection::open(d.dbPath());
        auto comments = [&] {
            return d.scalar("SELECT [Comments] FROM [Software] WHERE [SoftwareID] = ?", {a});
        };

        if (kind == CoreEnv::Server) {
            QCOMPARE(RunAsCommand(
                         *other,
                         [&] { other->engine().update("Software", a, {"Comments"}, {"theirs"}); }),
                     QString());
            box.type("mine");
            QCOMPARE(RunAsCommand(d.db(), [&] { s->Update(); }),
                     RowConflict(RowConflict::Changed, false).text());
            QCOMPARE(comments(), "theirs");
            QVERIFY(box.modified && box.text == "mine");
            QCOMPARE(RunAsCommand(d.db(), [&] { s->Update(); }), QString());
            QCOMPARE(comments(), "mine");

            // A delete of a row changed since it was read is refused too.
            s->MoveFirst();
            QVERIFY(s->Field("Comments") == "mine");
            other->query("UPDATE [Software] SET [Comments] = 'theirs again' WHERE rowid = ?", {a});
            QCOMPARE(RunAsCommand(d.db(), [&] { s->Delete(); }),
                     RowConflict(RowConflict::Changed, true).text());
            QCOMPARE(d.count("Software"), 2);
        }

        s->MoveFirst();
        QCOMPARE(s->currentKey(), a);
        other->query("DELETE FROM [Software] WHERE rowid = ?", {a});
        box.type("typed into a deleted record");
        QCOMPARE(RunAsCommand(d.db(), [&] { s->Update(); }),
                 RowConflict(RowConflict::Deleted, false).text());
        QVERIFY(box.modified && box.text == "typed into a deleted record");
        QCOMPARE(s->currentKey(), a);
        // The next move leaves the typing behind instead of writing it into B.
        QCOMPARE(RunAsCommand(d.db(), [&] { s->MoveNext(); }), QString());
        QCOMPARE(s->currentKey(), b);
        QCOMPARE(d.scalar("SELECT [Comments] FROM [Software] WHERE [SoftwareID] = ?", {b}), "b's");
        QCOMPARE(d.count("Software"), 1);

        other->query("DELETE FROM [Software] WHERE rowid = ?", {b});
        QCOMPARE(RunAsCommand(d.db(), [&] { s->Delete(); }),
                 RowConflict(RowConflict::Deleted, true).text());
    }

    // The server stops mid-session: a command while it is away fails with a clear message and
    // the typing stays; once the server is back, the next command works at once, without a
    // message and without opening anything anew, also when nothing was tried while it was away.
    void serverGoneAndBackMidSession_data()
    {
        QTest::addColumn<bool>("commandWhileAway");
        QTest::newRow("a command while away") << true;
        QTest::newRow("restarted between two commands") << false;
    }
    void serverGoneAndBackMidSession()
    {
        QFETCH(bool, commandWhileAway);
        CoreEnv d(CoreEnv::Server);
        const qint64 a = d.addTitle("A", "old");
        auto s = d.source(Sql::kAllSoftware);
        FakeBox box;
        s->bind(&box, "Comments");
        PgTestServer::Halt away;
        box.type("typed while the server was away");
        if (commandWhileAway) {
            const QString why = RunAsCommand(d.db(), [&] { s->Update(); });
            QVERIFY2(why.startsWith("The database server cannot be reached (database \"" +
                                    d.serverDatabase()),
                     qPrintable(why));
            QVERIFY(box.modified && box.text == "typed while the server was away");
        }
        away.resume();
        QCOMPARE(RunAsCommand(d.db(), [&] { s->Update(); }), QString());
        QCOMPARE(d.scalar("SELECT [Comments] FROM [Software] WHERE [SoftwareID] = ?", {a}),
                 "typed while the server was away");
    }

    // Texts come back exactly; a NUL, which the server cannot store, is refused with the typing
    // kept; dates keep their meaning under a session that writes dates another way.
    void textsAndDatesComeBackExactly()
    {
        CoreEnv d(CoreEnv::Server);
        const qint64 title = d.addTitle("T");
        const QStringList texts = {"O'Brien \"quoted\" \\ C:\\new\\table $$ -- /* ;",
                                   "Ünïcödé 😀 עִבְרִית \u200d\ufeff",
                                   "line\r\nbreak\ttab\f",
                                   QString(100000, QChar(u'ж')),
                                   "",
                                   "%_\\"};
        for (const QString& t : texts)
            d.addProblem(title, t, t);
        auto s = d.source(Sql::ProblemsOf(title));
        int i = 0;
        s->WalkToEnd([&] {
            QCOMPARE(s->Field("Problem"), texts[i]);
            QVERIFY(!s->Field("Solution").isNull());
            ++i;
        });

        s->MoveFirst();
        FakeBox box;
        s->bind(&box, "Problem");
        box.type(QStringLiteral("before") + QChar(0) + "after");
        QVERIFY(RunAsCommand(d.db(), [&] { s->Update(); }).contains("NUL"));
        QVERIFY(box.modified && box.text.size() == 12);
        QCOMPARE(
            d.scalar("SELECT [Problem] FROM [Problems] WHERE [ProblemID] = ?", {s->currentKey()}),
            texts[0]);

        const QList<QDate> dates = {QDate(2001, 3, 3), QDate(1, 1, 1), QDate(2000, 2, 29),
                                    QDate(9999, 12, 31)};
        for (const QDate& date : dates)
            d.addVersion(title, "v", date);
        const QString otherStyle = d.dbPath() + "&options=-c%20DateStyle%3DSQL%2CDMY";
        RecordSource versions("versions");
        versions.setConnectionString(ConnectionText(otherStyle));
        versions.setRecordSource(Sql::VersionsOf(title));
        versions.Refresh();
        QList<QDate> read;
        versions.WalkToEnd([&] { read << StoredDate(versions.Field("ReleaseDate")); });
        QCOMPARE(read, dates);
    }
};

QTEST_GUILESS_MAIN(TestPgEngine)
#include "tst_pgengine.moc"
