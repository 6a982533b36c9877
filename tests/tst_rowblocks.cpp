// The block cache of a record source on its own: which rows it reads, and when it reads them
// again. A store in memory counts the reads; the SQLite engine checks both of its read paths.
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/data/RowBlockReader.h"
#include "core/engine/Engine.h"
#include "core/sql/SqlText.h"
#include "tests/CoreSupport.h"

#include <QtTest>

#include <map>
#include <utility>

namespace {
constexpr int kRows = 16;

// Rows in memory, with the columns ID and Text; remembers the first key and length of every
// block it is asked for.
class FakeStore : public RowStore {
public:
    std::map<qint64, QString> rows;
    std::vector<std::pair<qint64, int>> reads;

    const std::vector<QString>& columns(const QString&) override { return m_columns; }
    void readRows(const QString&, const qint64* keys, int count, QVariant* values,
                  char* present) override
    {
        reads.emplace_back(keys[0], count);
        for (int i = 0; i < count; ++i) {
            auto it = rows.find(keys[i]);
            if (it == rows.end())
                continue;
            values[2 * i] = it->first;
            values[2 * i + 1] = it->second;
            present[i] = 1;
        }
    }

private:
    std::vector<QString> m_columns{"ID", "Text"};
};
} // namespace

class TestRowBlocks : public QObject {
    Q_OBJECT
    FakeStore m_store;
    RowBlockReader m_reader;
    std::vector<qint64> m_keys;

    QString textAt(int pos)
    {
        const QVariant* row = m_reader.row(m_keys, pos, kRows);
        return row ? row[1].toString() : QStringLiteral("(gone)");
    }
    std::pair<qint64, int> block(int first, int count) const
    {
        return {m_keys[size_t(first)], count};
    }

private slots:
    // A hundred rows whose keys go up in tens.
    void init()
    {
        m_store = FakeStore();
        m_keys.clear();
        for (qint64 k = 10; k <= 1000; k += 10) {
            m_keys.push_back(k);
            m_store.rows[k] = QStringLiteral("row %1").arg(k);
        }
        m_reader.setTable(&m_store, "T");
    }

    void aBlockServesTheRowsAfterIt()
    {
        for (int pos = 0; pos < kRows; ++pos)
            QCOMPARE(textAt(pos), QStringLiteral("row %1").arg(m_keys[size_t(pos)]));
        QCOMPARE(m_store.reads, (std::vector{block(0, kRows)}));
        QCOMPARE(textAt(kRows), "row 170");
        QCOMPARE(m_store.reads.back(), block(kRows, kRows));
        // The last block stops at the end of the set.
        QCOMPARE(textAt(95), "row 960");
        QCOMPARE(m_store.reads.back(), block(95, 5));
        QCOMPARE(m_reader.columnOf("Text"), 1);
        QCOMPARE(m_store.reads.size(), size_t(3));
    }

    void walkingBackwardsReadsTheRowsBeforeABlock()
    {
        for (int pos = 99; pos >= 0; --pos)
            QCOMPARE(textAt(pos), QStringLiteral("row %1").arg(m_keys[size_t(pos)]));
        QCOMPARE(m_store.reads.front(), block(99, 1));
        QCOMPARE(m_store.reads[1], block(83, kRows));
        QCOMPARE(m_store.reads.back(), block(0, kRows));
        QCOMPARE(m_store.reads.size(), size_t(8));
        // Forward again from a row before the block: the rows after it.
        textAt(40);
        QCOMPARE(m_store.reads.back(), block(40, kRows));
    }

    void forgettingOrANewSetOfKeysReadsAgain()
    {
        textAt(0);
        m_store.rows[20] = "changed";
        QCOMPARE(textAt(1), "row 20"); // held, not read again
        m_reader.forget();             // as after a write
        QCOMPARE(textAt(1), "changed");
        QCOMPARE(m_store.reads.size(), size_t(2));
        m_keys = {30, 40};
        m_reader.setTable(&m_store, "T");
        QCOMPARE(textAt(1), "row 40");
        QCOMPARE(m_store.reads.back(), block(1, 1));
    }

    void rowsGoneFromTheTableHaveNoValues()
    {
        m_store.rows.erase(40);
        QCOMPARE(textAt(2), "row 30");
        QCOMPARE(textAt(3), "(gone)");
        QCOMPARE(textAt(4), "row 50");
        QCOMPARE(m_store.reads.size(), size_t(1));
    }

    void columnsAreFoundAsSpelledFirst()
    {
        QCOMPARE(m_reader.columnOf("ID"), 0);
        QCOMPARE(m_reader.columnOf("text"), 1);
        QCOMPARE(m_reader.columnOf("Nothing"), -1);
        QCOMPARE(ColumnIndex({"Name", "name"}, "name"), 1);
        QCOMPARE(ColumnIndex({"Name", "name"}, "NAME"), 0);
    }

    // The SQLite engine reads a block of keys that lie close together in one pass over their
    // range, passing over another title's rows between them, and scattered keys one by one;
    // both leave out a row deleted behind the set.
    void theEngineReadsCloseAndScatteredKeys_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("close together") << 1;
        QTest::newRow("scattered") << 7;
    }
    void theEngineReadsCloseAndScatteredKeys()
    {
        QFETCH(int, step);
        CoreEnv env;
        const qint64 a = env.addTitle("A"), b = env.addTitle("B");
        std::vector<qint64> keys;
        {
            Transaction t(env.db());
            for (int i = 0; i < 400; ++i) {
                const qint64 key = env.addProblem(i % 4 == 3 ? b : a, QStringLiteral("p%1").arg(i),
                                                  i % 5 ? QVariant("s") : QVariant());
                if (i % 4 != 3 && i % step == 0)
                    keys.push_back(key);
            }
            t.commit();
        }
        const qint64 gone = keys[20];
        env.rows("DELETE FROM Problems WHERE rowid = ?", {gone});
        RowBlockReader reader;
        reader.setTable(&env.db().engine(), "Problems");
        const int problem = reader.columnOf("Problem"), solution = reader.columnOf("Solution");
        for (int pos = 0; pos < int(keys.size()); ++pos) {
            const QVariant* row = reader.row(keys, pos, 128);
            const QVariant expected =
                env.scalar("SELECT Problem FROM Problems WHERE rowid = ?", {keys[size_t(pos)]});
            QCOMPARE(row ? row[problem] : QVariant(), expected);
            if (row && row[solution].isNull())
                QCOMPARE(row[solution].typeId(), QMetaType::QString);
        }
        QVERIFY(!reader.row(keys, 20, 128));
    }

    // Through a record source: its own writes and a new run of its text are read afresh.
    void aWriteOrANewRunIsReadAfresh()
    {
        CoreEnv env;
        const qint64 a = env.addTitle("A");
        for (const char* p : {"p0", "p1", "p2"})
            env.addProblem(a, p, "s");
        auto s = env.source(Sql::ProblemsOf(a));
        s->setField("Problem", "saved");
        s->Update();
        QCOMPARE(s->Field("Problem"), "saved");
        env.rows("UPDATE Problems SET Problem = 'elsewhere' WHERE rowid = ?", {s->currentKey()});
        QCOMPARE(s->Field("Problem"), "saved"); // held until the set is read again
        s->Requery();
        QCOMPARE(s->Field("Problem"), "elsewhere");
        s->Delete();
        QCOMPARE(s->Field("Problem"), "p1");
    }
};

QTEST_MAIN(TestRowBlocks)
#include "tst_rowblocks.moc"
