// Access files read through libmdb: real files made by Access, read with exact values (dates as
// their stored doubles, long texts whole, Unicode, Null), damaged ones refused before anything
// is written, and the file itself never changed. The mapping onto Vantor's tables is
// tst_jetcopy's.
#include "core/data/Connection.h"
#include "core/data/DatabaseCopy.h"
#include "core/engine/DbError.h"
#include "core/jet/JetFile.h"
#include "core/jet/JetFileReader.h"
#include "tests/CoreSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

namespace {
QString data(const char* name)
{
    return QStringLiteral(VANTOR_JET_DATA "/") + QLatin1String(name);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Every row of a table, each a line of its values by column: Null as <NULL>, apart from an
// empty text; a date as its stored double.
QStringList rowsOf(JetTables& file, const QString& table, const QStringList& columns)
{
    const QList<JetColumn> all = file.columns(table);
    QList<int> at;
    for (const QString& c : columns) {
        at << int(
            std::find_if(all.begin(), all.end(), [&](const JetColumn& j) { return j.name == c; }) -
            all.begin());
        if (at.last() == all.size())
            qWarning("no column %s", qPrintable(c));
    }
    QStringList rows;
    file.rows(table, [&](const QVariant* values) {
        QStringList row;
        for (int i : at)
            row << (values[i].isNull() ? QStringLiteral("<NULL>") : values[i].toString());
        rows << row.join(QLatin1Char('|'));
    });
    return rows;
}

// The long text that make-software-file.py gave the fourth row of SoftwareTable.mdb.
QString longText()
{
    QString s;
    for (int i = 1; i <= 600; ++i)
        s += QStringLiteral("%1: Größe, Übersicht – ✓ long text\r\n")
                 .arg(i, 4, 10, QLatin1Char('0'));
    return s;
}

// Runs the program's --copy: its exit status, standard output and standard error.
struct Run {
    int status;
    QString out, err;
};
Run runCopy(const QString& from, const QString& to)
{
    QProcess p;
    p.start(QStringLiteral(VANTOR_PROGRAM), {"--copy", from, to});
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

using Damage = std::function<QByteArray(QByteArray)>;
} // namespace

class TestJetFile : public QObject {
    Q_OBJECT

private slots:
    void accessFilesAreKnownByTheirHeader_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("pageSize");
        QTest::newRow("Jet 3") << data("nwind.mdb") << int(JetFormat::Jet3) << 2048;
        QTest::newRow("Jet 4") << data("DateTestDatabase.mdb") << int(JetFormat::Jet4) << 4096;
        QTest::newRow("ACE") << data("ASampleDatabase.accdb") << int(JetFormat::Ace) << 4096;
        QTest::newRow("not one") << data("README.md") << int(JetFormat::None) << 0;
    }
    void accessFilesAreKnownByTheirHeader()
    {
        QFETCH(QString, file);
        QFETCH(int, format);
        QFETCH(int, pageSize);
        const JetHeader h = JetHeaderOf(file);
        QCOMPARE(int(h.format), format);
        QCOMPARE(h.pageSize, pageSize);
        QVERIFY(!h.password);
        if (h.format == JetFormat::None)
            return;
        // Opened as a database to work in, it is refused and left as it was.
        const QByteArray before = contents(file);
        try {
            Connection::open(file);
            QFAIL("an Access file was opened as a Vantor database");
        } catch (const DbError& e) {
            QVERIFY2(e.text().contains("is an Access database (" + JetFormatName(h.format) + ")"),
                     qPrintable(e.text()));
        }
        QCOMPARE(contents(file), before);
    }

    // Access 2000: dates before 1900, before 1000 and in 9999, which mdb-export shows as
    // "01/00/00"; the stored doubles, read from the file's bytes, are these.
    void jet4DatesAndTexts()
    {
        JetFileReader file(data("DateTestDatabase.mdb"));
        QCOMPARE(file.tables(), QStringList{"DateTest"});
        QStringList kinds;
        for (const JetColumn& c : file.columns("DateTest"))
            kinds << c.name + ':' + c.typeName;
        QCOMPARE(kinds,
                 QStringList({"IDCol:Long Integer", "DateTimeCol:Date/Time", "DateCol:Date/Time",
                              "TimeCol:Date/Time", "LongTextCol:Memo", "ShortTextCol:Text"}));
        QCOMPARE(
            rowsOf(file, "DateTest",
                   {"IDCol", "DateTimeCol", "DateCol", "TimeCol", "LongTextCol", "ShortTextCol"}),
            QStringList({"1|44532|44532|44532|Hello|Hello",
                         "2|2958101|2958101|2958101|Year 9999|Year 1999",
                         "3|-728|-363|2|Pre-1900 years|Pre-1900 years",
                         "4|-463126|-462760|-462395|Pre-1000 years|Pre-1000 years",
                         "5|44532|44532|44532|Escaped new line \\r\\n in field|Escaped new line "
                         "\\r\\n in field",
                         "6|44532|44532|44532|New line\r\nin field|No new line"}));
    }

    // Access 97: texts in the file's code page, a table name with an umlaut, Null fields.
    void jet3NamesTextsAndNull()
    {
        JetFileReader file(data("nwind.mdb"));
        QCOMPARE(file.tables(),
                 QStringList({"Order Details", "Orders", "Products", "Shippers", "Categories",
                              "Customers", "Employees", "Suppliers", "Umsätze"}));
        QCOMPARE(rowsOf(file, "Shippers", {"ShipperID", "CompanyName", "Phone"}),
                 QStringList({"1|Speedy Express|(503) 555-9831", "2|United Package|(503) 555-3199",
                              "3|Federal Shipping|(503) 555-9931"}));
        const QStringList orders =
            rowsOf(file, "Umsätze", {"OrderID", "ShipName", "ShipCity", "ShipRegion", "OrderDate"});
        QCOMPARE(orders.size(), 830);
        QVERIFY(orders.contains("10331|Bon app'|Marseille|<NULL>|34654"));
        QVERIFY(orders.contains("10332|Mère Paillarde|Montréal|Québec|34655"));
        const QStringList notes = rowsOf(file, "Employees", {"EmployeeID", "Address", "Notes"});
        QCOMPARE(notes.size(), 9);
        QVERIFY(notes[0].startsWith(
            "1|507 - 20th Ave. E.\r\nApt. 2A|Education includes a BA in psychology"));
        QVERIFY(
            notes[1].startsWith("2|908 W. Capital Way|Andrew received his BTS commercial in 1974"));
        QCOMPARE(notes[1].size(), 2 + 19 + 448);
        QVERIFY(notes[1].endsWith("the Pacific Rim Importers Association."));
    }

    void aceFile()
    {
        JetFileReader file(data("ASampleDatabase.accdb"));
        QCOMPARE(file.tables(), QStringList{"Asset Items"});
        const QStringList rows = rowsOf(
            file, "Asset Items", {"Asset No", "Make", "Model", "Acquired", "Warranty", "Comments"});
        QCOMPARE(rows.size(), 65);
        QCOMPARE(rows.first(), "30050|GEO Rocket|220ZX|35675|12|<NULL>");
    }

    void damagedFilesAreRefusedAndNothingIsWritten_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<QString>("says");
        const QString made = data("SoftwareTable.mdb");
        QTest::newRow("empty") << made << Damage([](QByteArray) { return QByteArray(); })
                               << "The file is empty";
        QTest::newRow("cut inside a page")
            << made << Damage([](QByteArray b) { return b.left(b.size() - 100); })
            << "damaged or cut short: its size";
        QTest::newRow("rows of the list of tables lost")
            << made << Damage([](QByteArray b) { return b.left(17 * 4096); })
            << "damaged or cut short";
        QTest::newRow("the header and garbage") << made << Damage([](QByteArray b) {
            QRandomGenerator random(7);
            for (qsizetype i = 4096; i < b.size(); ++i)
                b[i] = char(random.generate());
            return b;
        }) << "damaged or cut short";
        QTest::newRow("a password, Jet 4") << made << Damage([](QByteArray b) {
            b[0x42] = char(b[0x42] ^ 'p');
            b[0x44] = char(b[0x44] ^ 'w');
            return b;
        }) << "protected by a password";
        QTest::newRow("a password, Jet 3") << data("nwind.mdb") << Damage([](QByteArray b) {
            b[0x42] = char(b[0x42] ^ 'p');
            return b;
        }) << "protected by a password";
        QTest::newRow("a version after ACE")
            << data("ASampleDatabase.accdb") << Damage([](QByteArray b) {
                   b[0x14] = 9;
                   return b;
               })
            << "a version Vantor cannot read";
    }
    void damagedFilesAreRefusedAndNothingIsWritten()
    {
        QFETCH(QString, file);
        QFETCH(Damage, damage);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString bad = dir.filePath("vantor.mdb"), target = dir.filePath("new.db");
        const QByteArray bytes = damage(contents(file));
        write(bad, bytes);
        try {
            CopyDatabase(bad, target);
            QFAIL("a damaged file was copied");
        } catch (const DbError& e) {
            QVERIFY2(e.text().contains(says), qPrintable(e.text()));
        }
        QVERIFY(!QFile::exists(target));
        QCOMPARE(contents(bad), bytes);
    }

    // A file cut short anywhere is refused, never copied in part: the long text's pages come
    // last in this one, so every cut loses at least some of it, which libmdb alone would give
    // as an empty or shortened text.
    void aFileCutAnywhereIsRefused()
    {
        const QByteArray whole = contents(data("SoftwareTable.mdb"));
        QTemporaryDir dir;
        for (qsizetype pages = 1; pages < whole.size() / 4096; ++pages) {
            const QString cut = dir.filePath(QStringLiteral("cut%1.mdb").arg(pages));
            const QString target = dir.filePath(QStringLiteral("cut%1.db").arg(pages));
            write(cut, whole.left(pages * 4096));
            try {
                CopyDatabase(cut, target);
                QFAIL(qPrintable(QStringLiteral("copied from %1 pages").arg(pages)));
            } catch (const DbError& e) {
                QVERIFY2(e.text().contains("damaged or cut short"), qPrintable(e.text()));
            }
            QVERIFY(!QFile::exists(target));
        }
    }

    // The Access file is opened for reading only: a file without the right to write it is copied,
    // and neither its bytes nor its time of change move.
    void theSourceIsOnlyRead()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("vantor.mdb"), target = dir.filePath("vantor.db");
        QVERIFY(QFile::copy(data("SoftwareTable.mdb"), source));
        const QDateTime changed = QDateTime::currentDateTimeUtc().addYears(-3);
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(changed, QFileDevice::FileModificationTime));
        }
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::ReadGroup));
        const QByteArray before = contents(source);

        const QString summary = CopyDatabase(source, target);
        QVERIFY2(
            summary.startsWith("Copied 6 Software, 0 Versions, 0 Changes, 0 Files, 0 Problems"),
            qPrintable(summary));
        QCOMPARE(contents(source), before);
        QCOMPARE(QFileInfo(source).lastModified().toUTC(), changed);
        const auto rows = Connection::open(target)->query(
            "SELECT [SoftwareID], [SoftwareTitle], [Comments] FROM [Software]");
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[1], QVariantList({2, "Year 1999", "Year 9999"}));
        QCOMPARE(rows[3], QVariantList({4, "Pre-1000 years", longText()}));
        QCOMPARE(rows[5], QVariantList({6, "No new line", "New line\r\nin field"}));
    }

    // The command line: the copy's summary and remarks on standard output, status 0; an Access
    // file as the target refused with status 1.
    void theCommandLineCopiesAnAccessFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("vantor.db");
        const Run copied = runCopy(data("SoftwareTable.mdb"), target);
        QCOMPARE(copied.status, 0);
        QVERIFY2(
            copied.out.contains("Copied 6 Software") &&
                copied.out.contains(
                    "The Access file has no table Versions; no versions were copied.") &&
                copied.out.contains("Columns that are not Vantor's were left out: "
                                    "Software.DateTimeCol, Software.DateCol, Software.TimeCol."),
            qPrintable(copied.out));

        const Run intoAccess = runCopy(target, data("nwind.mdb"));
        QCOMPARE(intoAccess.status, 1);
        QVERIFY2(intoAccess.err.contains("is an Access database (Jet 3), not a Vantor database"),
                 qPrintable(intoAccess.err));
    }
};

QTEST_GUILESS_MAIN(TestJetFile)
#include "tst_jetfile.moc"
