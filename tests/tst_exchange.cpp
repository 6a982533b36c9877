// Records out to files and back, on either engine: the dump of a whole database and its
// restore, problems as CSV and as a web page, the faults of files that come back in, and the
// work stopped half-way, which leaves no file and changes no record.
#include "core/data/Connection.h"
#include "core/data/CopySource.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/exchange/Csv.h"
#include "core/exchange/DatabaseDump.h"
#include "core/exchange/Json.h"
#include "core/exchange/ProblemCsv.h"
#include "core/exchange/ProblemExport.h"
#include "core/exchange/ProblemPage.h"
#include "core/sql/SqlText.h"
#include "tests/CoreSupport.h"
#include "tests/ExchangeSupport.h"
#include "tests/FindTable.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {
// Every row of every table with its key, dates as ISO text and NULL apart from an empty text.
QStringList everyRecord(Connection& c)
{
    QStringList rows;
    for (const QString& table : RecordTables()) {
        Engine& e = c.engine();
        QStringList columns;
        for (const QString& column : e.columns(table))
            columns << column;
        const std::vector<qint64> keys = e.keys(table, QString());
        e.readFields(
            table, columns, keys.data(), int(keys.size()), [&](int, const QVariant* values) {
                QStringList row{table};
                for (qsizetype i = 0; i < columns.size(); ++i) {
                    const QVariant& v = values[i];
                    row << (v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                            : v.toString().isNull()        ? QStringLiteral("<NULL>")
                                                           : v.toString());
                }
                rows << row.join(QLatin1Char('|'));
            });
    }
    return rows;
}

// Texts that a file format most easily spoils.
const QStringList kHardTexts = {
    QString(),
    QStringLiteral(""),
    QStringLiteral(" blanks at both ends "),
    QStringLiteral("quote \" and 'single', comma, semicolon;"),
    QStringLiteral("line\nbreaks\r\nof every\rkind\n"),
    QStringLiteral("tab\tand controls \x01\x1f and \\ backslash"),
    QStringLiteral("Ünïcödé ελληνικά русский 中文 😀 \u200b\u2028\u2029"),
    QStringLiteral("<script>alert(1)</script> &amp; ]]>"),
    QString(100000, QLatin1Char('x')) + QStringLiteral("end"),
};

// A small database of every kind of record: keys with gaps, NULL and empty texts, dates at
// the ends of their range.
void fill(CoreEnv& d)
{
    for (int t = 0; t < 3; ++t) {
        const qint64 title = d.addTitle(QStringLiteral("Title %1 'quoted'").arg(t),
                                        t == 1 ? QVariant() : QVariant(kHardTexts.at(4)));
        const qint64 version = d.addVersion(title, QStringLiteral("%1.0").arg(t),
                                            t ? QDate(2001, 3, 3) : QDate(1601, 1, 1));
        d.addChange(version, kHardTexts.at(5));
        d.addFile(version, "file.dll", QString(), QDate(9999, 12, 31));
        for (const QString& text : kHardTexts)
            d.addProblem(title, text, text.isNull() ? QStringLiteral("") : QString());
    }
    d.db().query("DELETE FROM [Software] WHERE [SoftwareTitle] = ?", {"Title 1 'quoted'"});
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The text of the DbError body throws, or an empty text.
QString failure(const std::function<void()>& body)
{
    try {
        body();
    } catch (const DbError& e) {
        return e.text();
    }
    return {};
}

QString program()
{
    return QStringLiteral(VANTOR_PROGRAM);
}

// Runs the program with the arguments; its exit status, and what it wrote to standard error.
QPair<int, QString> runProgram(const QStringList& arguments)
{
    QProcess p;
    p.start(program(), arguments);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardError())};
}
} // namespace

class TestExchange : public QObject {
    Q_OBJECT

private slots:
    // The dump holds every record exactly, keys and gaps, NULL apart from empty, long texts,
    // and a restore into an empty database gives them back; from a file to the server too.
    void dumpAndRestoreKeepEveryRecord()
    {
        CoreEnv source;
        fill(source);
        const QStringList records = everyRecord(source.db());
        const QString dump = source.folder() + "/dump.json";
        NoProgress quiet;
        {
            DatabaseSource from(source.dbPath());
            QVERIFY(DumpDatabase(from, dump, quiet).startsWith("Wrote 2 Software, 2 Versions"));
        }
        const QList<CoreEnv::Kind> targets =
            CoreEnv::serverRun() ? QList<CoreEnv::Kind>{CoreEnv::Server, CoreEnv::File}
                                 : QList<CoreEnv::Kind>{CoreEnv::File};
        for (CoreEnv::Kind kind : targets) {
            CoreEnv target(kind);
            RestoreDatabase(dump, target.dbPath(), quiet);
            QCOMPARE(everyRecord(target.db()), records);
            // A second restore finds records there and leaves them as they are.
            QVERIFY(failure([&] {
                        RestoreDatabase(dump, target.dbPath(), quiet);
                    }).contains("already holds records"));
            QCOMPARE(everyRecord(target.db()), records);
        }
    }

    // A dump that is cut short, damaged or newer than this program is refused before anything
    // is written: one message naming the place and what was expected; no target file is made.
    void faultyDumpsAreRefusedWhole_data()
    {
        QTest::addColumn<QByteArray>("change"); // "cut:N" keeps N bytes, otherwise from=to
        QTest::addColumn<QString>("said");
        QTest::newRow("cut short") << QByteArray("cut:-40") << "expected";
        QTest::newRow("newer layout")
            << QByteArray("\"schema\": 1=\"schema\": 99") << "written by a newer version of Vantor";
        QTest::newRow("foreign file")
            << QByteArray("{\"format\": \"Vantor database dump\"={\"x\": 1")
            << "line 1, column 2: expected the key \"format\"";
        QTest::newRow("row too short") << QByteArray("\"2.0\", \"2001-03-03\"]=\"2.0\"]")
                                       << "expected 4 values in a record of Versions";
        QTest::newRow("count wrong") << QByteArray("\"count\": 2, \"rows\"=\"count\": 3, \"rows\"")
                                     << "expected the number of records that follow";
        QTest::newRow("bad escape") << QByteArray("'quoted'=\\q") << "expected an escape";
        QTest::newRow("not UTF-8") << QByteArray("Title 0=Title \xff") << "expected text in UTF-8";
    }
    void faultyDumpsAreRefusedWhole()
    {
        QFETCH(QByteArray, change);
        QFETCH(QString, said);
        CoreEnv source(CoreEnv::File);
        fill(source);
        const QString dump = source.folder() + "/dump.json";
        NoProgress quiet;
        DatabaseSource from(source.dbPath());
        DumpDatabase(from, dump, quiet);
        QByteArray bytes = readAll(dump);
        if (change.startsWith("cut:")) {
            bytes.chop(-change.mid(4).toInt());
        } else {
            const QList<QByteArray> parts = change.split('=');
            QVERIFY(bytes.contains(parts[0]));
            bytes.replace(bytes.indexOf(parts[0]), parts[0].size(), parts[1]);
        }
        writeAll(dump, bytes);
        const QString target = source.folder() + "/restored.mdb";
        const QString text = failure([&] { RestoreDatabase(dump, target, quiet); });
        QVERIFY2(text.contains(said), qPrintable(text));
        if (!change.startsWith("\"schema\""))
            QVERIFY2(text.contains(QRegularExpression("line \\d+, column \\d+")), qPrintable(text));
        QVERIFY(!QFile::exists(target));
    }

    // Texts that JSON writers and readers often spoil come back as they went out.
    void jsonKeepsEveryText()
    {
        QStringList texts = kHardTexts;
        texts << QString(QChar(0)) + "nul" << QString(QChar(0xD800)) + "lone surrogate";
        for (const QString& text : texts) {
            QByteArray doc = "[";
            AppendJsonValue(doc, text.isNull() ? QVariant(QMetaType::fromType<QString>())
                                               : QVariant(text));
            doc += "]";
            JsonReader r(doc.constData(), doc.size());
            r.beginArray();
            QVERIFY(r.nextElement());
            const QVariant back = r.readScalar();
            QCOMPARE(back.toString().isNull(), text.isNull());
            QCOMPARE(back.toString(), text);
            QVERIFY(!r.nextElement());
            r.expectEnd();
        }
    }

    // CSV out and back in gives the same problems; what a spreadsheet writes (quotes only
    // where needed, LF line ends, a byte order mark) reads as well.
    void csvKeepsTheProblems()
    {
        CoreEnv env;
        const qint64 title = env.addTitle("Csv");
        for (const QString& text : kHardTexts)
            env.addProblem(title, text.isNull() ? QStringLiteral("") : text, text);
        const QString file = env.folder() + "/problems.csv";
        NoProgress quiet;
        ExportProblems(env.dbPath(), ExportFormat::Csv, title, file, quiet);
        QVERIFY(readAll(file).startsWith("Problem,Solution\r\n"));
        const std::vector<ProblemText> back = ReadProblemCsv(file);
        QCOMPARE(int(back.size()), int(kHardTexts.size()));
        for (size_t i = 0; i < back.size(); ++i) {
            QCOMPARE(back[i].problem, kHardTexts.at(qsizetype(i)).isNull()
                                          ? QString()
                                          : kHardTexts.at(qsizetype(i)));
            // NULL has no form in CSV: it comes back as an empty text.
            QCOMPARE(back[i].solution, kHardTexts.at(qsizetype(i)));
        }
        writeAll(file, "\xEF\xBB\xBFProblem,Solution\nplain,\"two\nlines, \"\"quoted\"\"\"\n\n,\n");
        const std::vector<ProblemText> sheet = ReadProblemCsv(file);
        QCOMPARE(int(sheet.size()), 2);
        QCOMPARE(sheet[0].solution, QStringLiteral("two\nlines, \"quoted\""));
        QVERIFY(!sheet[1].problem.isNull() && sheet[1].problem.isEmpty());
    }

    // A CSV with a fault anywhere is refused whole, naming the line and what was expected.
    void faultyCsvIsRefused_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("said");
        QTest::newRow("missing quote")
            << QByteArray("Problem,Solution\r\na,b\r\n\"open,b\r\nc,d\r\n")
            << "line 3: expected a '\"' that closes the field";
        QTest::newRow("quote inside") << QByteArray("Problem,Solution\r\na\"b,c\r\n")
                                      << "line 2: expected a field with a '\"' in it to begin";
        QTest::newRow("after quote") << QByteArray("Problem,Solution\r\n\"a\"b,c\r\n")
                                     << "line 2: expected ',' or the end of the line";
        QTest::newRow("wrong header") << QByteArray("Question,Answer\r\na,b\r\n")
                                      << "line 1: expected the header Problem,Solution";
        QTest::newRow("every title")
            << QByteArray("Title,Problem,Solution\r\nt,a,b\r\n") << "the problems of every title";
        QTest::newRow("three fields") << QByteArray("Problem,Solution\r\na,b\r\n\"x\ny\",b,c\r\n")
                                      << "line 3: expected 2 fields (Problem,Solution), found 3";
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << "line 1: expected text, found the character NUL";
        QTest::newRow("latin-1") << QByteArray("Problem,Solution\r\nok,ok\r\nCaf\xe9,x\r\n")
                                 << "line 3: expected text in UTF-8";
        QTest::newRow("empty") << QByteArray() << "line 1: expected the header";
    }
    void faultyCsvIsRefused()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString file = dir.filePath("in.csv");
        writeAll(file, csv);
        const QString text = failure([&] { ReadProblemCsv(file); });
        QVERIFY2(text.contains(said) && text.contains("Nothing was imported"), qPrintable(text));
    }

    // Stopped half-way, nothing is left: no file, no folder (an earlier export stays as it
    // was), no restored database, no imported problem.
    void stoppedWorkLeavesNothing()
    {
        CoreEnv env;
        const qint64 title = env.addTitle("Many");
        for (int i = 0; i < 700; ++i)
            env.addProblem(title, QStringLiteral("problem %1").arg(i), "solution");
        env.addTitle("Other");
        const QDir dir(env.folder());
        NoProgress quiet;
        const QString site = dir.filePath("site");
        ExportProblems(env.dbPath(), ExportFormat::WebPage, 0, site, quiet);
        const QByteArray earlier = readAll(site + "/t" + QString::number(title) + ".html");
        const QStringList before =
            dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        for (ExportFormat format : {ExportFormat::Csv, ExportFormat::WebPage}) {
            CancelAfter stop(1);
            QVERIFY(failure([&] {
                        ExportProblems(env.dbPath(), format, title, dir.filePath("one"), stop);
                    }).contains("Stopped"));
        }
        CancelAfter stopSite(1);
        QVERIFY(!failure([&] {
                     ExportProblems(env.dbPath(), ExportFormat::WebPage, 0, site, stopSite);
                 }).isEmpty());
        QCOMPARE(readAll(site + "/t" + QString::number(title) + ".html"), earlier);

        {
            DatabaseSource from(env.dbPath());
            CancelAfter stop(1);
            QVERIFY(
                !failure([&] { DumpDatabase(from, dir.filePath("dump.json"), stop); }).isEmpty());
        }
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
        {
            DatabaseSource from(env.dbPath());
            DumpDatabase(from, dir.filePath("dump.json"), quiet);
        }
        CancelAfter stopRestore(2);
        QVERIFY(!failure([&] {
                     RestoreDatabase(dir.filePath("dump.json"), dir.filePath("r.mdb"), stopRestore);
                 }).isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("r.mdb")));

        const int problems = env.count("Problems");
        std::vector<ProblemText> more(600, ProblemText{"p", "s"});
        CancelAfter stopImport(1);
        QVERIFY(!env.command([&] { AddProblems(env.db(), title, more, stopImport); }).isEmpty());
        QCOMPARE(env.count("Problems"), problems);
    }

    // Stored texts are text on the page, never markup; links stay the same between exports;
    // an export replaces an earlier one but no folder of other files.
    void pageEscapesTextsAndKeepsItsLinks()
    {
        CoreEnv env;
        const qint64 title = env.addTitle("<b>Bold</b> & co");
        const qint64 evil =
            env.addProblem(title, "<script>alert(1)</script>", "<img src=x onerror=alert(2)>");
        env.addProblem(title, QVariant(), "a\r\nb\x01");
        NoProgress quiet;
        const QString page = env.folder() + "/page.html";
        ExportProblems(env.dbPath(), ExportFormat::WebPage, title, page, quiet);
        const QByteArray html = readAll(page);
        QVERIFY(!html.contains("<script>alert") && !html.contains("<img src=x"));
        QVERIFY(html.contains("[" + QByteArray::number(evil) +
                              ", \"\\u003cscript>alert(1)\\u003c/script>\", "));
        QVERIFY(html.contains("&lt;b&gt;Bold&lt;/b&gt; &amp; co"));
        QVERIFY(html.contains(", null, \"a\\r\\nb\\u0001\"]"));
        env.addProblem(title, "added later", "");
        ExportProblems(env.dbPath(), ExportFormat::WebPage, title, page, quiet);
        QVERIFY(readAll(page).contains("\n[" + QByteArray::number(evil) + ", "));

        const QString site = env.folder() + "/site";
        ExportProblems(env.dbPath(), ExportFormat::WebPage, 0, site, quiet);
        const QString titlePage = "t" + QString::number(title) + ".html";
        QVERIFY(readAll(site + "/index.html").contains("href=\"" + titlePage.toUtf8() + "\""));
        ExportProblems(env.dbPath(), ExportFormat::WebPage, 0, site, quiet);
        QVERIFY(QFile::exists(site + "/" + titlePage));
        const QString foreign = env.folder() + "/foreign";
        QDir().mkpath(foreign);
        writeAll(foreign + "/keep.txt", "mine");
        QVERIFY(failure([&] {
                    ExportProblems(env.dbPath(), ExportFormat::WebPage, 0, foreign, quiet);
                }).contains("holds other files"));
        QCOMPARE(readAll(foreign + "/keep.txt"), QByteArray("mine"));
    }

    // The window's Find runs this SQL text on its record source: it finds what the table says,
    // which is what the exported page finds too (tst_webpage).
    void findAnswersTheSharedTable()
    {
        CoreEnv env;
        const FindTable table = FindTable::load();
        const qint64 title = env.addTitle("Table");
        const QMap<QString, qint64> keys = table.fill(env, title);
        for (const FindTable::Search& s : table.searches) {
            QStringList found;
            const auto set = env.source(Sql::ProblemSearch(title, s.problem, s.solution));
            set->RefreshFields({"ProblemID"},
                               [&](const QVariant* v) { found << keys.key(v[0].toLongLong()); });
            QVERIFY2(found == s.finds,
                     qPrintable(QStringLiteral("%1 | %2: found %3")
                                    .arg(s.problem, s.solution, found.join(","))));
        }
    }

    // The command line: dump, restore, export and import, each refused with a reason and a
    // status other than 0 when it cannot be done.
    void theCommandLineMovesRecords()
    {
        CoreEnv env;
        fill(env);
        const QStringList records = everyRecord(env.db());
        Connection::closeAll();
        const QDir dir(env.folder());
        const QString dump = dir.filePath("dump.json");
        QCOMPARE(runProgram({"--database", env.dbPath(), "--dump", dump}).first, 0);
        const QString restored = dir.filePath("restored.mdb");
        QCOMPARE(runProgram({"--database", restored, "--restore", dump}).first, 0);
        {
            const std::shared_ptr<Connection> back = Connection::open(restored);
            QCOMPARE(everyRecord(*back), records);
        }
        Connection::closeAll();
        const QString csv = dir.filePath("p.csv");
        QCOMPARE(runProgram({"--database", restored, "--export-problems", "csv", "--title",
                             "Title 0 'quoted'", csv})
                     .first,
                 0);
        QCOMPARE(runProgram({"--database", restored, "--import-problems", csv, "--title",
                             "Title 2 'quoted'"})
                     .first,
                 0);
        const auto noTitle =
            runProgram({"--database", restored, "--import-problems", csv, "--title", "Missing"});
        QVERIFY(noTitle.first == 1 && noTitle.second.contains("There is no title \"Missing\""));
        const auto badFormat = runProgram({"--export-problems", "pdf", dir.filePath("x")});
        QVERIFY(badFormat.first == 2 && badFormat.second.contains("takes html or csv"));
        const std::shared_ptr<Connection> back = Connection::open(restored);
        QCOMPARE(back->query("SELECT COUNT(*) FROM [Problems]").value(0).value(0).toInt(),
                 int(2 * kHardTexts.size()) + 2 * 0 + int(kHardTexts.size()));
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
