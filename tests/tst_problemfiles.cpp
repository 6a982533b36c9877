// Problems as files: CSV out and back in, the faults of a CSV file that comes in, the web
// page's escaping and links, and the shared table of searches through the window's Find.
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"
#include "core/exchange/ProblemCsv.h"
#include "core/exchange/ProblemExport.h"
#include "core/sql/SqlText.h"
#include "tests/CoreSupport.h"
#include "tests/ExchangeSupport.h"
#include "tests/FindTable.h"

#include <QDir>
#include <QtTest>

class TestProblemFiles : public QObject {
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestProblemFiles)
#include "tst_problemfiles.moc"
