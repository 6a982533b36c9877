// Records out to files and back, on either engine: the dump of a whole database and its
// restore, the faults of a dump that comes back in, the command line, and the work stopped
// half-way, which leaves no file and changes no record.
#include "core/data/Connection.h"
#include "core/data/CopySource.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/exchange/DatabaseDump.h"
#include "core/exchange/Json.h"
#include "core/exchange/ProblemCsv.h"
#include "core/exchange/ProblemExport.h"
#include "tests/CoreSupport.h"
#include "tests/ExchangeSupport.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {
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
        // On the server's run: a file's dump into the server and a file, the server's into both.
        const QList<CoreEnv::Kind> kinds =
            CoreEnv::serverRun() ? QList<CoreEnv::Kind>{CoreEnv::File, CoreEnv::Server}
                                 : QList<CoreEnv::Kind>{CoreEnv::File};
        NoProgress quiet;
        for (CoreEnv::Kind from : kinds) {
            CoreEnv source(from);
            fill(source);
            const QStringList records = AllRecords(source.db());
            const QString dump = source.folder() + "/dump.json";
            {
                DatabaseSource reading(source.dbPath());
                QVERIFY(
                    DumpDatabase(reading, dump, quiet).startsWith("Wrote 2 Software, 2 Versions"));
            }
            for (CoreEnv::Kind kind : kinds) {
                CoreEnv target(kind);
                RestoreDatabase(dump, target.dbPath(), quiet);
                QCOMPARE(AllRecords(target.db()), records);
                // A second restore finds records there and leaves them as they are.
                QVERIFY(failure([&] {
                            RestoreDatabase(dump, target.dbPath(), quiet);
                        }).contains("already holds records"));
                QCOMPARE(AllRecords(target.db()), records);
            }
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

    // The command line: dump, restore, export and import, each refused with a reason and a
    // status other than 0 when it cannot be done.
    void theCommandLineMovesRecords()
    {
        CoreEnv env;
        fill(env);
        const QStringList records = AllRecords(env.db());
        Connection::closeAll();
        const QDir dir(env.folder());
        const QString dump = dir.filePath("dump.json");
        QCOMPARE(runProgram({"--database", env.dbPath(), "--dump", dump}).first, 0);
        const QString restored = dir.filePath("restored.mdb");
        QCOMPARE(runProgram({"--database", restored, "--restore", dump}).first, 0);
        {
            const std::shared_ptr<Connection> back = Connection::open(restored);
            QCOMPARE(AllRecords(*back), records);
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
