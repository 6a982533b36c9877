// Reading large sets: the block reads of a record source, stored dates and the order of the
// title list, checked against plain answers.
#include "core/data/Connection.h"
#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "core/text/TextFormat.h"
#include "tests/TestSupport.h"

#include <QComboBox>
#include <QRandomGenerator>
#include <QtTest>

class TestRecordRead : public QObject {
    Q_OBJECT
private slots:
    void storedDatesReadAsTheParserReadsThem()
    {
        for (QDate d(1899, 12, 25); d < QDate(2031, 1, 10); d = d.addDays(13)) {
            const QString iso = d.toString(Qt::ISODate);
            QCOMPARE(StoredDate(iso), d);
            const QString text = DateText(QVariant(iso));
            QCOMPARE(text.size(), 10);
            const QChar sep = text.at(2); // the system's separator
            QCOMPARE(text, d.toString(QStringLiteral("MM/dd/yyyy")).replace(u'/', sep));
        }
        for (const char* odd : {"2024-02-30", "2024-13-01", "24-01-01", "2024/01/05", "",
                                "2024-01-05T10:00:00", "abcd-ef-gh"}) {
            const QString s = QString::fromLatin1(odd);
            QCOMPARE(StoredDate(s), QDate::fromString(s.left(10), Qt::ISODate));
        }
        QCOMPARE(DateText(QDate(812, 3, 4)).remove(2, 1).remove(4, 1), QStringLiteral("03040812"));
    }

    void walksAcrossBlocksInBothDirections()
    {
        TestEnv env;
        const qint64 a = env.addTitle("A"), b = env.addTitle("B");
        QStringList expected;
        {
            Transaction t(env.db());
            for (int i = 0; i < 700; ++i) {
                // Every third problem of A mentions a driver: a scattered set after the search.
                const QString text =
                    QStringLiteral("problem %1%2").arg(i).arg(i % 3 ? "" : " driver");
                env.addProblem(i % 5 == 4 ? b : a, text, i % 7 ? QVariant("s") : QVariant());
                if (i % 5 != 4 && i % 3 == 0)
                    expected << text;
            }
            t.commit();
        }
        RecordSource set("set");
        set.setConnectionString(ConnectionText(env.dbPath()));
        set.setRecordSource(Sql::ProblemSearch(a, "*driver*", ""));
        set.Refresh();
        QCOMPARE(set.RecordCount(), expected.size());
        QStringList forward;
        set.WalkToEnd([&] { forward << set.Field("Problem").toString(); });
        QCOMPARE(forward, expected);
        QStringList backward;
        set.MoveLast();
        while (!set.isBOF()) {
            backward.prepend(set.Field("problem").toString());
            set.MovePrevious();
        }
        QCOMPARE(backward, expected);

        // The full set: keys close together, read by range. An empty field is a null text.
        set.setRecordSource(Sql::ProblemsOf(a));
        set.Refresh();
        int nulls = 0, rows = 0;
        set.WalkToEnd([&] {
            ++rows;
            const QVariant v = set.Field("Solution");
            if (v.isNull()) {
                ++nulls;
                QCOMPARE(v.typeId(), QMetaType::QString);
            }
        });
        QCOMPARE(rows,
                 env.scalar("SELECT COUNT(*) FROM Problems WHERE SoftwareID = ?", {a}).toInt());
        QCOMPARE(nulls, env.scalar("SELECT COUNT(*) FROM Problems WHERE SoftwareID = ? AND "
                                   "Solution IS NULL",
                                   {a})
                            .toInt());
        QVERIFY(set.Field("Problem").isNull()); // at the end: no current row
        set.MoveFirst();
        QVERIFY_THROWS_EXCEPTION(DbError, set.Field("NoSuchField"));
    }

    void rowDeletedBehindTheSetHasNoFields()
    {
        TestEnv env;
        const qint64 a = env.addTitle("A");
        for (int i = 0; i < 40; ++i)
            env.addProblem(a, QStringLiteral("p%1").arg(i), "s");
        RecordSource set("set");
        set.setConnectionString(ConnectionText(env.dbPath()));
        set.setRecordSource(Sql::ProblemsOf(a));
        set.Refresh();
        const qint64 gone = env.scalar("SELECT MAX(rowid) FROM Problems").toLongLong();
        env.rows("DELETE FROM Problems WHERE rowid = ?", {gone});
        set.MoveLast();
        QVERIFY(!set.isEOF());
        QVERIFY_THROWS_EXCEPTION(DbError, set.Field("Problem"));
        set.MovePrevious();
        QCOMPARE(set.Field("Problem").toString(), QStringLiteral("p38"));
    }

    // Lists read only the fields they show, in one pass: the same values, types and end
    // position as walking the set with Field, from dense and from scattered keys.
    void walkingFieldsGivesWhatFieldGives()
    {
        TestEnv env;
        const qint64 a = env.addTitle("A"), b = env.addTitle("B");
        {
            Transaction t(env.db());
            for (int i = 0; i < 400; ++i)
                env.addProblem(i % 4 == 3 ? b : a,
                               QStringLiteral("problem %1%2").arg(i).arg(i % 3 ? "" : " driver"),
                               i % 7 ? QVariant(QStringLiteral("s%1").arg(i)) : QVariant());
            t.commit();
        }
        RecordSource set("set");
        set.setConnectionString(ConnectionText(env.dbPath()));
        for (const QString& sql :
             {Sql::ProblemsOf(a), Sql::ProblemSearch(a, "*driver*", QString())}) {
            set.setRecordSource(sql);
            set.Refresh();
            // From the current row on, as the walk by rows does.
            set.MoveFirst();
            set.MoveNext();
            set.MoveNext();
            QList<QVariantList> byField, byWalk;
            set.WalkToEnd([&] {
                byField << QVariantList{set.Field("ProblemID"), set.Field("Solution"),
                                        set.Field("problem")};
            });
            set.MoveFirst();
            set.MoveNext();
            set.MoveNext();
            set.WalkFields({"ProblemID", "Solution", "problem"}, [&](const QVariant* v) {
                byWalk << QVariantList{v[0], v[1], v[2]};
            });
            QCOMPARE(byWalk.size(), set.RecordCount() - 2);
            QCOMPARE(byWalk, byField);
            for (int i = 0; i < byWalk.size(); ++i) {
                QCOMPARE(byWalk[i][0].typeId(), byField[i][0].typeId());
                QCOMPARE(byWalk[i][1].isNull(), byField[i][1].isNull());
            }
            QVERIFY(set.isEOF() && !set.hasCurrentRow());
        }

        // Running the text again in the same pass: the rows the text yields now, the set at
        // its end with their keys.
        set.setRecordSource(Sql::ProblemsOf(a));
        set.Refresh();
        env.addProblem(a, "added later", "s");
        QList<QVariantList> refreshed;
        set.RefreshFields({"Problem", "Solution"}, [&](const QVariant* v) {
            refreshed << QVariantList{v[0], v[1]};
        });
        QCOMPARE(refreshed.size(), set.RecordCount());
        QCOMPARE(set.RecordCount(),
                 env.scalar("SELECT COUNT(*) FROM Problems WHERE SoftwareID = ?", {a}).toInt());
        QVERIFY(set.isEOF());
        QCOMPARE(refreshed.last(), (QVariantList{"added later", "s"}));
        set.MoveFirst();
        QCOMPARE(set.Field("Problem"), refreshed.first().first());

        // A field the table does not have, and a row deleted behind the set's back, fail as
        // Field fails.
        set.setRecordSource(Sql::ProblemsOf(a));
        set.Refresh();
        QVERIFY_THROWS_EXCEPTION(DbError, set.WalkFields({"Nothing"}, [](const QVariant*) {}));
        set.MoveFirst();
        env.rows("DELETE FROM Problems WHERE rowid = (SELECT rowid FROM Problems WHERE "
                 "SoftwareID = ? ORDER BY rowid LIMIT 1 OFFSET 5)",
                 {a});
        int rows = 0;
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 set.WalkFields({"Problem"}, [&](const QVariant*) { ++rows; }));
        QVERIFY(rows > 0 && set.hasCurrentRow());
    }

    // The title list sorts without regard to case exactly as QString::compare does, equal
    // titles in the order the table holds them, also beyond ASCII and with surrogate pairs.
    void titleListOrderIsTheCaseInsensitiveCompare_data()
    {
        QTest::addColumn<QStringList>("titles");
        // Plain ASCII beginnings are sorted by a packed prefix first: long shared beginnings,
        // titles equal but for case, a title that is the beginning of another, a NUL.
        QTest::newRow("ascii") << QStringList{"Printer Tools b",
                                              "printer tools A",
                                              "PRINTER TOOLS a",
                                              "Printer",
                                              "printer",
                                              "Printer Tools",
                                              "Printe",
                                              "zeta",
                                              "Zeta 2",
                                              "_under",
                                              "[bracket",
                                              "~tilde",
                                              "12345678",
                                              "1234567",
                                              QString("abc") + QChar(0) + "d",
                                              "abc",
                                              "ABC",
                                              "Printer Tools Ünicode after eight",
                                              "printer tools ünicode after eight"};
        QTest::newRow("unicode") << QStringList{
            "beta",
            "Alpha",
            "ÄRGER",
            "äpfel",
            "Zed",
            QString::fromUtf16(u"\U00010400x"), // U+10400, upper case
            "a",
            QString::fromUtf16(u"\U00010428a"), // U+10428, its lower case
            "A",
            "alpha",
            "Ωmega",
            "ωmega",
            "_under",
            "[bracket",
            "straße",
            "STRASSE",
            "ǅ title",
            "ǆ title",
            "\u212A (Kelvin)",
            "k (Kelvin)",
            QString(QChar(0xE000)) + "private",
            QString(QChar(0xFEFF)) + "zero-width no-break space first"};
    }

    void titleListOrderIsTheCaseInsensitiveCompare()
    {
        QFETCH(QStringList, titles);
        TestEnv env;
        if (env.onServer()) // it refuses a text that holds a NUL
            titles.removeIf([](const QString& t) { return t.contains(QChar(0)); });
        for (const QString& t : titles)
            env.addTitle(t);
        QStringList expected = titles;
        std::stable_sort(expected.begin(), expected.end(), [](const QString& x, const QString& y) {
            return x.compare(y, Qt::CaseInsensitive) < 0;
        });
        auto w = env.openWindow();
        QCOMPARE(Titles(w->cboSoftware), expected);
        QCOMPARE(w->cboSoftware->currentIndex(), -1);
    }
};

QTEST_MAIN(TestRecordRead)
#include "tst_recordread.moc"
