// The records of an Access file of the earlier Vantor mapped onto Vantor's tables, through the
// interface the file reader fills, here with rows made by the test; copied into the database of
// the run's engine, a file or the test server's. What the file's reader itself reads is
// tst_jetfile's.
#include "core/data/Connection.h"
#include "core/data/DatabaseCopy.h"
#include "core/engine/DbError.h"
#include "core/jet/JetSource.h"
#include "tests/CoreSupport.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {
// An Access file as the test makes it: tables of columns ("SoftwareID:Integer"), and rows.
class MadeAccessFile : public JetTables {
public:
    struct Table {
        QString name;
        QList<JetColumn> columns;
        QList<QVariantList> rows;
    };

    Table& add(const QString& name, const QStringList& columns)
    {
        Table t{name, {}, {}};
        for (const QString& c : columns) {
            const QString kind = c.section(':', 1);
            const JetKind k = kind == "Integer"    ? JetKind::Integer
                              : kind == "Text"     ? JetKind::Text
                              : kind == "Memo"     ? JetKind::Memo
                              : kind == "DateTime" ? JetKind::DateTime
                                                   : JetKind::Other;
            t.columns << JetColumn{c.section(':', 0, 0), k, kind};
        }
        m_tables << t;
        return m_tables.last();
    }
    Table& operator[](const QString& name)
    {
        for (Table& t : m_tables) {
            if (t.name == name)
                return t;
        }
        qFatal("no table %s", qPrintable(name));
    }
    void remove(const QString& name)
    {
        m_tables.removeIf([&](const Table& t) { return t.name == name; });
    }

    QString shownName() const override { return QStringLiteral("/old/vantor.mdb"); }
    QStringList tables() override
    {
        QStringList names;
        for (const Table& t : m_tables)
            names << t.name;
        return names;
    }
    QList<JetColumn> columns(const QString& table) override { return (*this)[table].columns; }
    void rows(const QString& table, const RowSink& row) override
    {
        for (const QVariantList& values : (*this)[table].rows)
            row(values.constData());
    }

private:
    QList<Table> m_tables;
};

// The earlier Vantor's tables, each with one title, version, change, file and problem;
// Problems without a key, as the earlier Vantor made it.
std::unique_ptr<MadeAccessFile> earlierVantor()
{
    auto file = std::make_unique<MadeAccessFile>();
    file->add("Software", {"SoftwareID:Integer", "SoftwareTitle:Text", "Comments:Memo"}).rows
        << QVariantList{1, "Title", "comments"};
    file->add("Versions", {"ReleaseID:Integer", "SoftwareID:Integer", "ReleaseNumber:Text",
                           "ReleaseDate:DateTime"})
            .rows
        << QVariantList{1, 1, "1.0", 44532.0};
    file->add("Changes", {"ChangeID:Integer", "ReleaseID:Integer", "Change:Text"}).rows
        << QVariantList{1, 1, "change"};
    file->add("Files",
              {"FileID:Integer", "ReleaseID:Integer", "File:Text", "Version:Text", "Date:DateTime"})
            .rows
        << QVariantList{1, 1, "a.dll", "1.0", 44532.0};
    file->add("Problems", {"SoftwareID:Integer", "Problem:Memo", "Solution:Memo"}).rows
        << QVariantList{1, "problem", "solution"};
    return file;
}

QString copy(CoreEnv& env, std::unique_ptr<MadeAccessFile> file)
{
    JetSource source(std::move(file));
    return CopyInto(source, env.dbPath());
}

// The copy's remarks: the lines after the summary's first.
QStringList remarksOf(const QString& summary)
{
    return summary.split('\n').mid(1);
}

QString longText()
{
    QString s;
    for (int i = 0; i < 5000; ++i)
        s += QStringLiteral("Zeile %1: Größe ändern ✓ 😀\r\n").arg(i);
    return s;
}

using Change = std::function<void(MadeAccessFile&)>;
} // namespace

class TestJetCopy : public QObject {
    Q_OBJECT

private slots:
    // Names in any letter case, keys with gaps in any order, Null apart from an empty text, a
    // long text whole, dates from 632 to 9999, problems numbered in the order the file holds.
    void everyRecordIsCopiedWithItsKeyAndValue()
    {
        auto file = std::make_unique<MadeAccessFile>();
        file->add("SOFTWARE", {"softwareid:Integer", "SoftwareTITLE:Text", "comments:Memo"}).rows
            << QVariantList{40, "Straße 'quoted'", longText()} << QVariantList{7, "", QVariant()}
            << QVariantList{12, QVariant(), ""};
        file->add("versions", {"ReleaseID:Integer", "SoftwareID:Integer", "ReleaseNumber:Text",
                               "ReleaseDate:DateTime"})
                .rows
            << QVariantList{9, 40, "9.9", 2958465.0} << QVariantList{3, 40, "0.1", -463126.0}
            << QVariantList{5, 7, "1898", -728.0} << QVariantList{6, 7, QVariant(), QVariant()};
        file->add("Changes", {"ChangeID:Integer", "releaseid:Integer", "CHANGE:Memo"}).rows
            << QVariantList{2, 9, "two"} << QVariantList{1, 3, "one"};
        file->add("Files", {"FileID:Integer", "ReleaseID:Integer", "File:Text", "Version:Text",
                            "Date:DateTime"})
                .rows
            << QVariantList{1, 5, "a.dll", "", 2.0};
        file->add("problems", {"SOFTWAREID:Integer", "Problem:Memo", "Solution:Memo"}).rows
            << QVariantList{40, "second in the file", QVariant()} << QVariantList{12, "first", "x"};
        CoreEnv env;
        const QString summary = copy(env, std::move(file));
        QCOMPARE(summary, "Copied 3 Software, 4 Versions, 2 Changes, 1 Files, 2 Problems from "
                          "/old/vantor.mdb to " +
                              ShownDatabase(env.dbPath()) + ".");
        QCOMPARE(AllRecords(env.db()),
                 QStringList({"Software|7||<NULL>", "Software|12|<NULL>|",
                              "Software|40|Straße 'quoted'|" + longText(),
                              "Versions|3|40|0.1|0632-01-01", "Versions|5|7|1898|1898-01-01",
                              "Versions|6|7|<NULL>|<NULL>", "Versions|9|40|9.9|9999-12-31",
                              "Changes|1|3|one", "Changes|2|9|two", "Files|1|5|a.dll||1900-01-01",
                              "Problems|1|40|second in the file|<NULL>", "Problems|2|12|first|x"}));
        QCOMPARE(env.db()
                     .query("SELECT [Comments] FROM [Software] WHERE [SoftwareID] = 40")
                     .value(0)
                     .value(0)
                     .toString()
                     .size(),
                 longText().size());
        // New keys follow the largest copied.
        QVERIFY(env.addTitle("new") > 40);
    }

    // Rows whose title or version is not copied are left out and counted, each table apart;
    // the rows below a version left out go with it.
    void rowsWithoutTheirParentAreCountedAndLeftOut()
    {
        auto file = earlierVantor();
        (*file)["Versions"].rows << QVariantList{2, 99, "of no title", 1.0}
                                 << QVariantList{3, QVariant(), "of none", 1.0};
        (*file)["Changes"].rows << QVariantList{2, 2, "of a version left out"}
                                << QVariantList{3, 77, "of no version"};
        (*file)["Files"].rows << QVariantList{2, 3, "b.dll", "", 1.0};
        (*file)["Problems"].rows << QVariantList{5, "of no title", ""};
        CoreEnv env;
        const QString summary = copy(env, std::move(file));
        QVERIFY2(
            summary.startsWith("Copied 1 Software, 1 Versions, 1 Changes, 1 Files, 1 Problems"),
            qPrintable(summary));
        QCOMPARE(remarksOf(summary),
                 QStringList({"Left out of the table Versions: 2 versions whose SoftwareID is "
                              "empty or names no title that was copied.",
                              "Left out of the table Changes: 2 changes whose ReleaseID is empty "
                              "or names no version that was copied.",
                              "Left out of the table Files: 1 needed file whose ReleaseID is "
                              "empty or names no version that was copied.",
                              "Left out of the table Problems: 1 problem whose SoftwareID is "
                              "empty or names no title that was copied."}));
    }

    // A date keeps its day, before 1899 too, where the fraction still counts forward.
    void aTimeOfDayIsDroppedAndSaid()
    {
        auto file = earlierVantor();
        (*file)["Versions"].rows << QVariantList{2, 1, "noon", 44532.5}
                                 << QVariantList{3, 1, "six in 1898", -728.25}
                                 << QVariantList{4, 1, "a second", 44532.0 + 1.0 / 86400};
        (*file)["Files"].rows << QVariantList{2, 1, "b.dll", "", 44532.75};
        CoreEnv env;
        const QString summary = copy(env, std::move(file));
        QCOMPARE(remarksOf(summary),
                 QStringList({"Copied without their time of day, which Vantor's dates do not "
                              "keep: 3 dates in Versions.ReleaseDate.",
                              "Copied without their time of day, which Vantor's dates do not "
                              "keep: 1 date in Files.Date."}));
        QCOMPARE(env.joined("SELECT [ReleaseDate] FROM [Versions] WHERE [ReleaseID] = 2"),
                 "2021-12-02");
        QCOMPARE(env.joined("SELECT [ReleaseDate] FROM [Versions] WHERE [ReleaseID] = 3"),
                 "1898-01-01");
    }

    // What the file lacks, or holds beyond Vantor's, is said; the rest is copied.
    void missingAndExtraTablesAndColumnsAreSaid()
    {
        auto file = earlierVantor();
        file->remove("Problems");
        file->add("Orders", {"OrderID:Integer"}).rows << QVariantList{1};
        MadeAccessFile::Table& files = (*file)["Files"];
        files.columns.removeAt(3); // Version
        files.rows[0].removeAt(3);
        files.columns.removeAt(0); // FileID
        files.rows[0].removeAt(0);
        files.rows << QVariantList{1, "b.dll", 44532.0};
        MadeAccessFile::Table& versions = (*file)["Versions"];
        versions.columns << JetColumn{"Notes", JetKind::Memo, "Memo"}
                         << JetColumn{"Price", JetKind::Other, "Currency"};
        versions.rows[0] << "a note" << QVariant();
        CoreEnv env;
        const QString summary = copy(env, std::move(file));
        QCOMPARE(remarksOf(summary),
                 QStringList({"The table Files has no column FileID: its needed files were "
                              "numbered in the order the file holds them.",
                              "The table Files has no column Version: its needed files were "
                              "copied without it.",
                              "The Access file has no table Problems; no problems were copied.",
                              "Tables that are not Vantor's were left out: Orders.",
                              "Columns that are not Vantor's were left out: Versions.Notes, "
                              "Versions.Price."}));
        QCOMPARE(AllRecords(env.db()).filter(QRegularExpression("^Files")),
                 QStringList(
                     {"Files|1|1|a.dll|<NULL>|2021-12-02", "Files|2|1|b.dll|<NULL>|2021-12-02"}));
    }

    void whatCannotBeCopiedIsRefusedAndNothingWritten_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("says");
        QTest::newRow("none of Vantor's tables")
            << Change([](MadeAccessFile& f) {
                   for (const char* t : {"Software", "Versions", "Changes", "Files", "Problems"})
                       f.remove(t);
                   f.add("Orders", {"OrderID:Integer"});
               })
            << "holds none of Vantor's tables (Software, Versions, Changes, Files, Problems), only "
               "Orders";
        QTest::newRow("a title of another kind") << Change([](MadeAccessFile& f) {
            f["Software"].columns[1] = JetColumn{"SoftwareTitle", JetKind::Other, "Currency"};
        })
                                                 << "The column Software.SoftwareTitle of the "
                                                    "Access file holds Currency values, and "
                                                    "Vantor's field SoftwareTitle needs a text";
        QTest::newRow("titles without their key") << Change([](MadeAccessFile& f) {
            f["Software"].columns.removeFirst();
            f["Software"].rows[0].removeFirst();
        }) << "The table Software of the Access file has no column SoftwareID";
        QTest::newRow("a key twice") << Change([](MadeAccessFile& f) {
            f["Changes"].rows << QVariantList{1, 1, "again"};
        }) << "The table Changes of the Access file holds the key 1 twice";
        QTest::newRow("a date past 9999") << Change([](MadeAccessFile& f) {
            f["Files"].rows[0][4] = 2958466.0;
        }) << "The Date of the Access file's table Files with the key 1 holds no date Access knows";
        QTest::newRow("a date that is no number") << Change([](MadeAccessFile& f) {
            f["Versions"].rows[0][3] = std::numeric_limits<double>::quiet_NaN();
        }) << "holds no date Access knows";
    }
    void whatCannotBeCopiedIsRefusedAndNothingWritten()
    {
        QFETCH(Change, change);
        QFETCH(QString, says);
        auto file = earlierVantor();
        change(*file);
        CoreEnv env;
        try {
            copy(env, std::move(file));
            QFAIL("the copy was not refused");
        } catch (const DbError& e) {
            QVERIFY2(e.text().contains(says), qPrintable(e.text()));
        }
        if (env.onServer())
            QCOMPARE(AllRecords(env.db()), QStringList());
        else
            QVERIFY(!QFile::exists(env.dbPath()));
    }

    // A real Access file, into this run's engine.
    void anAccessFileIntoThisEngine()
    {
        CoreEnv env;
        const QString summary =
            CopyDatabase(QStringLiteral(VANTOR_JET_DATA "/SoftwareTable.mdb"), env.dbPath());
        QVERIFY2(summary.startsWith("Copied 6 Software, 0 Versions"), qPrintable(summary));
        const QStringList rows = AllRecords(env.db());
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[0], "Software|1|Hello|Hello");
        QCOMPARE(rows[5], "Software|6|No new line|New line\r\nin field");
        QCOMPARE(rows[3].size(),
                 qsizetype(QStringLiteral("Software|4|Pre-1000 years|").size() + 22800));
    }
};

QTEST_GUILESS_MAIN(TestJetCopy)
#include "tst_jetcopy.moc"
