#include "core/data/Connection.h"
#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "tests/CoreSupport.h"
#include "tests/EngineSupport.h"

#include <QFile>
#include <QtTest>

namespace {
QString titleAt(RecordSource& s)
{
    return s.Field("SoftwareTitle").toString();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Titles A, with the comments "old", and B; a box bound to the comments shows A and has text
// typed into it.
std::unique_ptr<RecordSource> typedComments(CoreEnv& env, FakeBox& box, const QString& typed)
{
    env.addTitle("A", "old");
    env.addTitle("B");
    auto s = env.source(Sql::kAllSoftware);
    s->bind(&box, "Comments");
    box.type(typed);
    return s;
}
} // namespace

class TestRecordSource : public QObject {
    Q_OBJECT

private slots:
    void emptySetIsAtBothEnds()
    {
        CoreEnv env;
        auto s = env.source(Sql::kAllSoftware);
        QVERIFY(s->isBOF() && s->isEOF());
        QCOMPARE(s->RecordCount(), 0);
        QVERIFY(!s->hasCurrentRow());
        QVERIFY(s->Field("SoftwareTitle").isNull());
        s->MoveNext();
        s->MovePrevious();
        s->MoveLast();
        QVERIFY(s->isBOF() && s->isEOF());
    }

    void movesWalkAndStopAtTheEnds()
    {
        CoreEnv env;
        for (const char* t : {"A", "B", "C"})
            env.addTitle(t);
        auto s = env.source(Sql::kAllSoftware);
        QCOMPARE(s->RecordCount(), 3);
        QCOMPARE(titleAt(*s), "A");
        s->MoveLast();
        QCOMPARE(titleAt(*s), "C");
        s->MoveNext();
        QVERIFY(s->isEOF() && !s->isBOF());
        s->MovePrevious();
        QCOMPARE(titleAt(*s), "C");
        s->MoveFirst();
        s->MovePrevious();
        QVERIFY(s->isBOF() && !s->isEOF());
        s->MoveNext();
        QCOMPARE(titleAt(*s), "A");
    }

    void walkingPastBlockBoundariesInBothDirections()
    {
        CoreEnv env;
        Transaction t(env.db());
        for (int i = 0; i < 1000; ++i)
            env.addTitle(QString::number(i));
        t.commit();
        auto s = env.source(Sql::kAllSoftware);
        QCOMPARE(s->RecordCount(), 1000);
        int n = 0;
        s->WalkToEnd([&] { QCOMPARE(titleAt(*s), QString::number(n++)); });
        QCOMPARE(n, 1000);
        QVERIFY(s->isEOF());
        for (int i = 999; i >= 0; --i) {
            s->MovePrevious();
            QCOMPARE(titleAt(*s), QString::number(i));
        }
    }

    void addNewUpdateAndDelete()
    {
        CoreEnv env;
        env.addTitle("A");
        const qint64 b = env.addTitle("B");
        auto s = env.source(Sql::kAllSoftware);
        s->AddNew();
        QVERIFY(s->hasCurrentRow());
        QVERIFY(s->Field("SoftwareID").isNull());
        s->setField("SoftwareTitle", "New");
        s->Update();
        QCOMPARE(s->RecordCount(), 3);
        QCOMPARE(titleAt(*s), "New");
        QVERIFY(s->Field("SoftwareID").toLongLong() > b);

        // Keys are never reused, even for the last row.
        const qint64 newKey = s->currentKey();
        s->Delete();
        QVERIFY(s->isEOF());
        s->AddNew();
        s->setField("SoftwareTitle", "Again");
        s->Update();
        QVERIFY(s->currentKey() > newKey);

        s->MoveFirst();
        s->Delete();
        QCOMPARE(titleAt(*s), "B"); // the next row is current
        QCOMPARE(env.count("Software"), 2);
    }

    void editsAreSavedBeforeEveryMove()
    {
        CoreEnv env;
        env.addTitle("A");
        env.addTitle("B");
        auto s = env.source(Sql::kAllSoftware);
        s->setField("SoftwareTitle", "A2");
        s->MoveNext();
        QCOMPARE(env.scalar("SELECT SoftwareTitle FROM Software WHERE SoftwareID = 1"), "A2");
        s->setField("SoftwareTitle", "B2");
        s->Requery();
        QCOMPARE(env.scalar("SELECT SoftwareTitle FROM Software WHERE SoftwareID = 2"), "B2");
        QCOMPARE(titleAt(*s), "A2");
    }

    void findSearchesForwardFromTheCurrentRow()
    {
        CoreEnv env;
        env.addTitle("X");
        env.addTitle("O'Brien's Tool");
        env.addTitle("Y");
        env.addTitle("O'Brien's Tool");
        auto s = env.source(Sql::kAllSoftware);
        QVERIFY(s->Find(Sql::TitleCriterion("O'Brien's Tool")));
        QCOMPARE(s->currentKey(), 2);
        QVERIFY(s->Find(Sql::TitleCriterion("O'Brien's Tool"))); // the current row itself
        QCOMPARE(s->currentKey(), 2);
        s->MoveNext();
        QVERIFY(s->Find(Sql::TitleCriterion("O'Brien's Tool")));
        QCOMPARE(s->currentKey(), 4);
        s->MoveFirst();
        QVERIFY(!s->Find(Sql::TitleCriterion("o'brien's tool")));
        QVERIFY(s->isEOF());
        QVERIFY_THROWS_EXCEPTION(DbError, s->Find("SoftwareTitle LIKE 'x'"));
    }

    void recordCountNeedsNoWalk()
    {
        CoreEnv env;
        const qint64 id = env.addTitle("T");
        Transaction t(env.db());
        for (int i = 0; i < 500; ++i)
            env.addProblem(id, QString("p%1").arg(i), "s");
        t.commit();
        auto s = env.source(Sql::ProblemsOf(id));
        QCOMPARE(s->RecordCount(), 500);
        QVERIFY(!s->isBOF());
        QCOMPARE(s->Field("Problem").toString(), "p0");
    }

    void boundBoxesShowTheRowAndSaveTyping()
    {
        CoreEnv env;
        env.addTitle("A", "first comments");
        env.addTitle("B");
        auto s = env.source(Sql::kAllSoftware);
        FakeBox box;
        s->bind(&box, "Comments");
        QCOMPARE(box.text, "first comments");
        QVERIFY(box.editable && !box.modified);
        box.type("typed");
        s->MoveNext();
        QCOMPARE(box.text, ""); // B has no comments (null)
        QVERIFY(!box.modified);
        QCOMPARE(env.scalar("SELECT Comments FROM Software WHERE SoftwareID = 1"), "typed");
        s->MoveNext();
        QVERIFY(!box.editable); // no current row, no typing
        QCOMPARE(box.text, "");
    }

    void datesAreStoredAsDateValues()
    {
        CoreEnv env;
        const qint64 id = env.addTitle("T");
        auto s = env.source(Sql::VersionsOf(id));
        s->AddNew();
        s->setField("SoftwareID", id);
        s->setField("ReleaseDate", QDate(2001, 3, 3));
        s->setField("ReleaseNumber", "1.0");
        s->Update();
        QCOMPARE(env.scalar("SELECT ReleaseDate FROM Versions").toDate(), QDate(2001, 3, 3));
        if (env.onServer()) {
            QCOMPARE(PgTestServer::admin("SELECT pg_typeof(releasedate)::text FROM versions",
                                         env.serverDatabase()),
                     "date");
            return;
        }
        QCOMPARE(env.scalar("SELECT typeof(ReleaseDate) FROM Versions"), "text");
        QCOMPARE(env.scalar("SELECT date(ReleaseDate, '+1 day') FROM Versions"), "2001-03-04");
    }

    void deletingATitleCascades()
    {
        CoreEnv env;
        const qint64 keep = env.addTitle("Keep");
        const qint64 gone = env.addTitle("Gone");
        for (qint64 t : {keep, gone}) {
            const qint64 v = env.addVersion(t, "1.0", QDate(2000, 1, 1));
            env.addChange(v, "c");
            env.addFile(v, "f", "1", QDate(2000, 1, 1));
            env.addProblem(t, "p", "s");
        }
        auto s = env.source(Sql::kAllSoftware);
        QVERIFY(s->Find(Sql::TitleCriterion("Gone")));
        s->Delete();
        for (const char* table : {"Versions", "Problems"})
            QCOMPARE(env.scalar(QString("SELECT COUNT(*) FROM %1 WHERE SoftwareID = ?").arg(table),
                                {gone}),
                     0);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Changes WHERE ReleaseID NOT IN "
                            "(SELECT ReleaseID FROM Versions)"),
                 0);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Files WHERE ReleaseID NOT IN "
                            "(SELECT ReleaseID FROM Versions)"),
                 0);
        QCOMPARE(env.count("Changes"), 1);
        QCOMPARE(env.count("Problems"), 1);
    }

    void orphanRowsAreRefused()
    {
        CoreEnv env;
        QVERIFY_THROWS_EXCEPTION(DbError, env.addVersion(999, "1.0", QDate(2000, 1, 1)));
    }

    void aFailedCommandChangesNothingAndKeepsTyping()
    {
        CoreEnv env;
        FakeBox box;
        auto s = typedComments(env, box, "typed for A");
        const QString failure = env.command([&] {
            s->MoveNext(); // saves A's comments inside the command
            throw DbError("disk I/O error");
        });
        QVERIFY(failure.contains("disk I/O error"));
        QCOMPARE(env.scalar("SELECT Comments FROM Software WHERE SoftwareID = 1"), "old");
        // The typing whose save was undone comes back with its row and is saved later.
        s->MoveFirst();
        QCOMPARE(box.text, "typed for A");
        s->MoveNext();
        QCOMPARE(env.scalar("SELECT Comments FROM Software WHERE SoftwareID = 1"), "typed for A");
    }

    void aRefusedSaveKeepsTheRowAndTheTyping()
    {
        CoreEnv env;
        FakeBox box;
        auto s = typedComments(env, box, "new text");
        FailingWrites failing(env, "UPDATE", "Software");
        QVERIFY(env.command([&] { s->MoveNext(); }).contains(FailingWrites::kReason));
        QCOMPARE(s->currentKey(), 1);
        QCOMPARE(box.text, "new text");
        QVERIFY(box.modified);
        failing.stop();
        QVERIFY(env.command([&] { s->MoveNext(); }).isEmpty());
        QCOMPARE(env.scalar("SELECT Comments FROM Software WHERE SoftwareID = 1"), "new text");
    }

    void foreignFilesAreRefusedAndLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("just some notes\n");
        QTest::newRow("access") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) +
                                       QByteArray(2048, '\x11');
        QTest::newRow("truncated sqlite")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(40, '\x01');
    }
    void foreignFilesAreRefusedAndLeftUntouched()
    {
        QFETCH(QByteArray, contents);
        if (CoreEnv::serverRun())
            QSKIP("files of other kinds: the file engine's alone");
        CoreEnv env;
        const QString path = env.folder() + "/foreign.mdb";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contents);
        f.close();
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::open(path));
        QCOMPARE(readAll(path), contents);
    }

    void otherSqliteFilesFoldersAndMissingFolders()
    {
        if (CoreEnv::serverRun())
            QSKIP("files of other kinds: the file engine's alone");
        CoreEnv env;
        const QString other = env.folder() + "/other.db";
        {
            auto c = Connection::open(env.folder() + "/scratch.db"); // ours, to get a handle
            c->run(QString("ATTACH DATABASE '%1' AS o").arg(other));
            c->run("CREATE TABLE o.Customers (id INTEGER)");
            c->run("DETACH DATABASE o");
        }
        const QByteArray before = readAll(other);
        try {
            Connection::open(other);
            QFAIL("another program's file was accepted");
        } catch (const DbError& e) {
            QVERIFY(e.text().contains("another program"));
        }
        QCOMPARE(readAll(other), before);
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::open(env.folder()));
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::open(env.folder() + "/no/such/x.mdb"));
        QVERIFY(!QFile::exists(env.folder() + "/no"));
    }
};

QTEST_MAIN(TestRecordSource)
#include "tst_recordsource.moc"
