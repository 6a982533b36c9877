// Find through the trigram index: the same rows in the same order as reading every row, rows
// written by other programs found, and a database without the index given it.
#include "core/data/Connection.h"
#include "core/data/DatabaseCopy.h"
#include "core/data/RecordSource.h"
#include "core/data/WorkProgress.h"
#include "core/sql/SqlText.h"
#include "tests/CoreSupport.h"
#include "tests/EngineSupport.h"
#include "tests/FindTable.h"

#include <QtTest>

#include <sqlite3.h>

#include <limits>

namespace {
// Texts and patterns of the matcher's own cases: scripts, accents, ligatures, wildcards.
const char* const kTexts[] = {"Großer Ärger",
                              "ένα σφάλμα εδώ",
                              "ошибка",
                              "ΛΟΓΟΣ",
                              "Ärgernis",
                              "가각",
                              "가가",
                              "CAFÉ",
                              "cafe\u0301",
                              "كَتَبَ",
                              "कुल",
                              "กิน",
                              "a-big-c",
                              "aéc",
                              "a?c",
                              "LINE1\nLINE2",
                              "So it's broken",
                              "The new DRIVER fails",
                              "viel ärger heute",
                              "my Résumé",
                              "xx dr\u0301iver",
                              "an ECLAIR",
                              "drive r",
                              "driver ",
                              "dXiver",
                              "xxaxxbxxc",
                              "ﬁle ligature",
                              "STRASSE",
                              "a_b 100% sure",
                              "",
                              "Deseret \U00010400 capital"};
const char* const kPatterns[] = {"*ärger*",
                                 "*ΣΦΑΛΜΑ*",
                                 "ОШИБКА",
                                 "*ς",
                                 "ärger",
                                 "*가각*",
                                 "cafe",
                                 "caf\u00e9",
                                 "كتب",
                                 "कुल",
                                 "a*b*c",
                                 "a_c",
                                 "*driver*",
                                 "*Ärger*",
                                 "*resume*",
                                 "*cafe",
                                 "*éclair*",
                                 "d_iver",
                                 "*a*b*c",
                                 "*it's*",
                                 "line1\nline2",
                                 "*dr_ver*",
                                 "*ri*",
                                 "*file*",
                                 "*aaa*driver*",
                                 "*100%*",
                                 "*a_b*",
                                 "*r\u0301iv*",
                                 "*\U00010428 cap*",
                                 "*river",
                                 "The*",
                                 "*ver *",
                                 "*new dr*"};

class Recorder final : public WorkProgress {
public:
    qint64 total = -1, done = 0;
    void begin(const QString&, qint64 t) override { total = t; }
    void advance(qint64 d) override { done = d; }
};

QString whereOf(const QString& search)
{
    return search.mid(search.indexOf(QLatin1String(" WHERE ")) + 7);
}
} // namespace

class TestFindIndex : public QObject {
    Q_OBJECT

    CoreEnv* m_env = nullptr;
    qint64 m_title = 0;

    Engine& engine() { return m_env->db().engine(); }
    std::vector<qint64> keys(const QString& where)
    {
        Transaction t(m_env->db());
        std::vector<qint64> found = engine().keys(QStringLiteral("Problems"), where);
        t.commit();
        return found;
    }
    // The search, and the same search that the index cannot serve: each LIKE in parentheses.
    void expectSameAsScan(const QString& problem, const QString& solution)
    {
        const QString indexed = whereOf(Sql::ProblemSearch(m_title, problem, solution));
        const QString scanned = QString(indexed).replace(
            QRegularExpression(QStringLiteral("(\\[\\w+\\] LIKE '(?:[^']|'')*')")),
            QStringLiteral("(\\1)"));
        QVERIFY(scanned != indexed);
        const std::vector<qint64> all = keys(scanned);
        QVERIFY2(keys(indexed) == all, qPrintable(problem + " / " + solution));
        QVERIFY2(inParts(indexed) == all, qPrintable(problem + " / " + solution));
    }
    // The same set read as a search shows it: two small parts, then the rest.
    std::vector<qint64> inParts(const QString& where)
    {
        std::vector<qint64> found;
        Engine::KeyPart part;
        part.next = std::numeric_limits<qint64>::min();
        for (int limit : {3, 5, -1}) {
            Transaction t(m_env->db());
            part = engine().keysAfter(QStringLiteral("Problems"), where, part.next, limit);
            t.commit();
            found.insert(found.end(), part.keys.begin(), part.keys.end());
            if (part.done)
                break;
        }
        return part.done ? found : std::vector<qint64>{-1};
    }
    // Writes SQL as a program of another maker would: no function of Vantor's registered.
    void outsideWrite(const QString& sql)
    {
        if (m_env->onServer()) {
            PgTestServer::admin(sql, m_env->serverDatabase());
            return;
        }
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(m_env->dbPath().toUtf8().constData(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        const QString why = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
        QVERIFY2(rc == SQLITE_OK, qPrintable(why));
    }
    int indexObjects()
    {
        if (m_env->onServer())
            return PgTestServer::admin("SELECT count(*) FROM pg_indexes WHERE indexname LIKE "
                                       "'problemsfoldedtext_%'",
                                       m_env->serverDatabase())
                .toInt();
        return m_env->scalar("SELECT count(*) FROM sqlite_master WHERE name LIKE 'ProblemsFold%'")
            .toInt();
    }
    qint64 found(const QString& problem)
    {
        return keys(whereOf(Sql::ProblemSearch(m_title, problem, {}))).size();
    }

private slots:
    // The titles here are small, which a search would scan.
    void initTestCase() { qputenv("VANTOR_FIND_SCAN_BELOW", "0"); }

    void init()
    {
        m_env = new CoreEnv;
        m_title = m_env->addTitle("Large");
        m_env->addTitle("Other");
    }
    void cleanup() { delete m_env; }

    void indexedSearchGivesTheScansRows()
    {
        const FindTable table = FindTable::load();
        table.fill(*m_env, m_title);
        int i = 0;
        for (const char* text : kTexts) {
            const QString t = QString::fromUtf8(text);
            m_env->addProblem(m_title, t, i % 3 ? QVariant(t.toUpper()) : QVariant());
            m_env->addProblem(m_title, QString(3000, 'a') + t, t);
            ++i;
        }
        m_env->addProblem(m_title, QVariant(), "driver");
        m_env->addProblem(m_title + 1, "driver", "driver");
        const qint64 planted = m_env->addProblem(m_title, "no such word", "x");
        NoProgress none;
        QCOMPARE(engine().prepareSearch(none), QString());
        for (const char* pattern : kPatterns) {
            expectSameAsScan(QString::fromUtf8(pattern), {});
            expectSameAsScan({}, QString::fromUtf8(pattern));
        }
        for (const FindTable::Search& s : table.searches)
            expectSameAsScan(s.problem, s.solution);
        // The index is what answers: a row given "driver" in it behind the program's back is
        // found, though its text does not hold the word.
        const qint64 before = found("*driver*");
        outsideWrite(m_env->onServer()
                         ? QStringLiteral("UPDATE problemsfoldedtext SET problem = 'driver' WHERE "
                                          "problemid = %1")
                               .arg(planted)
                         : QStringLiteral("INSERT INTO ProblemsFoldedProblem (rowid, Problem) "
                                          "VALUES (%1, 'driver')")
                               .arg(planted));
        QCOMPARE(found("*driver*"), before + 1);
    }

    void rowsWrittenByOtherProgramsAreFound()
    {
        const qint64 kept = m_env->addProblem(m_title, "kept", "first text");
        const qint64 gone = m_env->addProblem(m_title, "zebra crossing", "x");
        NoProgress none;
        engine().prepareSearch(none);
        const QString id = QString::number(m_title);
        outsideWrite(QStringLiteral("INSERT INTO Problems (SoftwareID, Problem, Solution) VALUES "
                                    "(%1, 'Überlauf im Puffer', 'y')")
                         .arg(id));
        outsideWrite(QStringLiteral("UPDATE Problems SET Problem = 'SCHNEE fällt' WHERE "
                                    "ProblemID = %1")
                         .arg(kept));
        outsideWrite(QStringLiteral("DELETE FROM Problems WHERE ProblemID = %1").arg(gone));
        QCOMPARE(found("*uberlauf*"), qint64(1));
        QCOMPARE(found("*schnee f*"), qint64(1));
        QCOMPARE(found("*kept*"), qint64(0));
        QCOMPARE(found("*zebra*"), qint64(0));
    }

    void searchSetIsReadInParts()
    {
        // More matches than a first part holds on either engine, written as another program
        // would.
        outsideWrite(m_env->onServer()
                         ? QStringLiteral("INSERT INTO problems (softwareid, problem, solution)"
                                          " SELECT %1, CASE WHEN i % 3 = 0 THEN 'other' ELSE"
                                          " 'a driver fault' END, 's' FROM generate_series(1, "
                                          "900) i")
                               .arg(m_title)
                         : QStringLiteral("INSERT INTO Problems (SoftwareID, Problem, Solution)"
                                          " WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i"
                                          " + 1 FROM n WHERE i < 900) SELECT %1, CASE WHEN i % 3"
                                          " = 0 THEN 'other' ELSE 'a driver fault' END, 's' "
                                          "FROM n")
                               .arg(m_title));
        NoProgress none;
        engine().prepareSearch(none);
        const QString sql = Sql::ProblemSearch(m_title, QStringLiteral("*driver*"), {});
        std::vector<qint64> all = keys(whereOf(sql));
        QCOMPARE(all.size(), size_t(600));
        const auto set = m_env->source(sql);
        // Written after the first part was read: found when the walk reaches it.
        outsideWrite(QStringLiteral("INSERT INTO Problems (SoftwareID, Problem, Solution) VALUES"
                                    " (%1, 'late driver', 's')")
                         .arg(m_title));
        all.push_back(m_env->scalar("SELECT MAX(ProblemID) FROM Problems").toLongLong());
        std::vector<qint64> walked;
        for (; !set->isEOF(); set->MoveNext())
            walked.push_back(set->currentKey());
        QCOMPARE(walked, all);
        set->MovePrevious();
        QCOMPARE(set->currentKey(), all.back());

        // Last and a count read the rest at once; a row added through the set comes after it.
        set->Refresh();
        set->MoveLast();
        QCOMPARE(set->currentKey(), all.back());
        set->Refresh();
        set->AddNew();
        set->setField(QStringLiteral("SoftwareID"), m_title);
        set->setField(QStringLiteral("Problem"), QStringLiteral("new driver"));
        set->Update();
        QCOMPARE(set->RecordCount(), int(all.size()) + 1);
        QVERIFY(set->currentKey() > all.back());
    }

    void databaseWithoutIndexGetsItWithProgress()
    {
        for (int i = 0; i < 5; ++i)
            m_env->addProblem(m_title, QStringLiteral("row %1 Drücker").arg(i), "s");
        QCOMPARE(indexObjects(), 0);
        Recorder progress;
        QCOMPARE(engine().prepareSearch(progress), QString());
        QVERIFY(indexObjects() > 0);
        QCOMPARE(progress.total, qint64(5));
        QCOMPARE(progress.done, qint64(5));
        QCOMPARE(found("*drucker*"), qint64(5));
        // Opened again: a database like any other, with nothing left to index.
        Recorder again;
        Connection::open(m_env->dbPath(), OpenMode::ExistingOnly)->engine().prepareSearch(again);
        QCOMPARE(again.total, qint64(0));
    }

    void indexOfAnotherFoldIsMadeAgain()
    {
        const qint64 row = m_env->addProblem(m_title, "Drücker", "s");
        NoProgress none;
        engine().prepareSearch(none);
        // An index folded by another Unicode version holds other texts than a search's runs
        // are folded to: it is not used, and made again at the next open. "planted" is in the
        // index alone.
        outsideWrite(m_env->onServer()
                         ? QStringLiteral("UPDATE problemsfoldedtext SET problem = 'planted'")
                         : QStringLiteral("INSERT INTO ProblemsFoldedProblem (rowid, Problem) "
                                          "VALUES (%1, 'planted')")
                               .arg(row));
        QCOMPARE(found("*planted*"), qint64(1));
        outsideWrite("UPDATE ProblemsFoldVersion SET Fold = 'unicode 1, fold 1'");
        outsideWrite("UPDATE Problems SET Problem = 'Schalter'");
        QCOMPARE(found("*schalter*"), qint64(1));
        QCOMPARE(found("*planted*"), qint64(0));
        Recorder again;
        engine().prepareSearch(again);
        QCOMPARE(again.total, qint64(1));
        QCOMPARE(found("*schalter*"), qint64(1));
        QCOMPARE(found("*drucker*"), qint64(0));
        QCOMPARE(found("*planted*"), qint64(0));
    }

    void copyGivesTheTargetTheIndex()
    {
        m_env->addProblem(m_title, "copied Drücker", "s");
        CoreEnv target;
        const QString to =
            target.onServer() ? target.dbPath() : target.folder() + QStringLiteral("/copy.db");
        if (target.onServer())
            QSKIP("the target must be an empty database; the server's fixture gives it tables");
        CopyDatabase(m_env->dbPath(), to);
        const auto copy = Connection::open(to, OpenMode::ExistingOnly);
        QCOMPARE(copy->query("SELECT count(*) FROM ProblemsFoldPending").value(0).value(0).toInt(),
                 0);
        QCOMPARE(copy->query("SELECT count(*) FROM ProblemsFoldedProblem WHERE "
                             "ProblemsFoldedProblem MATCH 'drucker'")
                     .value(0)
                     .value(0)
                     .toInt(),
                 1);
    }
};

QTEST_GUILESS_MAIN(TestFindIndex)
#include "tst_findindex.moc"
