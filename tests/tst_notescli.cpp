// The release notes commands of the command line: how --version reads beside --export-notes,
// and the real program exporting and importing on a file or a server database, with its exit
// status and one line on standard error when it fails.
#include "app/CommandLine.h"
#include "core/data/Connection.h"
#include "core/notes/NotesFormat.h"
#include "core/notes/NotesStore.h"
#include "tests/CoreSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {
struct Run {
    int status = -1;
    QByteArray out;
    QString err;
};

Run runProgram(const QStringList& arguments, const QString& program = VANTOR_PROGRAM)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

// A failure says so on one line of its own, naming the program.
bool oneLineOfError(const Run& r, const QString& says)
{
    return r.status == 1 && r.out.isEmpty() && r.err.startsWith("vantor: ") &&
           r.err.count('\n') == 1 && r.err.endsWith('\n') && r.err.contains(says);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

const char kChangelog[] = "# Changelog\n\n## [2.0] - 2024-05-01\n### Added\n- export\n\n"
                          "## [1.0] - 2023-01-02\n- first\n";
} // namespace

class TestNotesCli : public QObject {
    Q_OBJECT
private slots:
    void readsTheOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("kind"); // NotesRequest::Kind, or -2 for a refusal
        QTest::addColumn<QString>("release");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says"); // part of the refusal or answer
        const int none = int(NotesRequest::Kind::None), out = int(NotesRequest::Kind::Export),
                  in = int(NotesRequest::Kind::Import), refused = -2;
        const QStringList ex{"vantor", "--export-notes", "json", "--title", "T"};
        QTest::newRow("export a version")
            << (ex + QStringList{"--version", "1.2", "o.json"}) << out << "1.2"
            << "o.json"
            << "";
        QTest::newRow("export all, = forms")
            << QStringList{"vantor", "--export-notes=HTML", "--title=T"} << out << ""
            << ""
            << "";
        QTest::newRow("import") << QStringList{"vantor", "--import-changelog", "C.md", "--title",
                                               "T"}
                                << in << ""
                                << "C.md"
                                << "";
        QTest::newRow("--version alone is the program's")
            << QStringList{"vantor", "--version"} << none << ""
            << ""
            << "Vantor " VANTOR_VERSION;
        QTest::newRow("-v beside an export is the program's")
            << (ex + QStringList{"-v"}) << none << ""
            << ""
            << "Vantor " VANTOR_VERSION;
        QTest::newRow("Qt's -title without a command")
            << QStringList{"vantor", "-title", "Window"} << none << ""
            << ""
            << "";
        QTest::newRow("unknown format")
            << QStringList{"vantor", "--export-notes", "pdf", "--title", "T"} << refused << ""
            << ""
            << "Unknown format 'pdf'";
        QTest::newRow("no title") << QStringList{"vantor", "--export-notes", "md"} << refused << ""
                                  << ""
                                  << "needs --title";
        QTest::newRow("both") << (ex + QStringList{"--import-changelog", "C.md"}) << refused << ""
                              << ""
                              << "not both";
        QTest::newRow("--version without a release")
            << (ex + QStringList{"--version"}) << refused << ""
            << ""
            << "Missing value";
        QTest::newRow("import takes no OUT")
            << QStringList{"vantor", "--import-changelog", "C.md", "--title", "T", "x"} << refused
            << ""
            << ""
            << "Unexpected argument 'x'";
    }

    void readsTheOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, kind);
        QFETCH(QString, release);
        QFETCH(QString, file);
        QFETCH(QString, says);
        const CommandLine c = ParseCommandLine(arguments);
        if (kind == -2) {
            QCOMPARE(c.exitCode, 2);
            QVERIFY2(c.error.contains(says), qPrintable(c.error));
            return;
        }
        QCOMPARE(int(c.notes.kind), kind);
        QVERIFY2(c.output.contains(says), qPrintable(c.output));
        QCOMPARE(c.notes.oneRelease, !release.isEmpty());
        QCOMPARE(c.notes.release, release);
        QCOMPARE(c.notes.file, file);
    }

    // Import, export to standard output and to a file, and the failures, on this run's engine.
    void runsOnTheDatabase()
    {
        CoreEnv env;
        env.addTitle("Other");
        Connection::closeAll();
        const QString db = env.dbPath();
        const QString changelog = env.folder() + "/CHANGELOG.md";
        writeFile(changelog, kChangelog);

        Run r = runProgram({"--database", db, "--import-changelog", changelog, "--title", "App"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("Imported 2 versions with 2 changes and 0 needed files into "
                                   "the new title \"App\".\n"));
        QVERIFY(r.err.isEmpty());

        const TitleRef app = FindTitle(env.db(), "App");
        const ReleaseNotes notes = ReadTitleNotes(env.db(), app.key);
        Connection::closeAll();
        r = runProgram({"--database", db, "--export-notes", "markdown", "--title", "app"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, RenderNotes(notes, NotesFormat::Markdown));

        const QString out = env.folder() + "/one.json";
        r = runProgram({"--database", db, "--export-notes", "json", "--title", "App", "--version",
                        "1.0", out});
        QCOMPARE(r.status, 0);
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("\"release\": \"1.0\""));

        QVERIFY(oneLineOfError(
            runProgram({"--database", db, "--export-notes", "html", "--title", "Missing"}),
            "There is no title \"Missing\""));
        QVERIFY(oneLineOfError(runProgram({"--database", db, "--export-notes", "html", "--title",
                                           "App", "--version", "9"}),
                               "has no version \"9\""));
        writeFile(changelog, QByteArray("## [3.0] - 2025-01-01\n- a\n## [2.5] - soon\n"));
        QVERIFY(oneLineOfError(
            runProgram({"--database", db, "--import-changelog", changelog, "--title", "App"}),
            "Line 3: expected the release date"));
        QCOMPARE(env.count("Versions"), 2);
        const QString missing = env.folder() + "/none.mdb";
        QVERIFY(oneLineOfError(
            runProgram({"--database", missing, "--export-notes", "md", "--title", "App"}),
            "There is no database file"));
        QVERIFY(!QFile::exists(missing));
    }

    // Without --database the commands work on the database the settings file names.
    void usesTheSettingsFilesDatabase()
    {
        if (CoreEnv::serverRun())
            QSKIP("the settings file is the same on either engine");
        QTemporaryDir folder;
        const QString program = folder.filePath("vantor");
        QVERIFY(QFile::copy(VANTOR_PROGRAM, program));
        const QString db = folder.filePath("data/notes.db");
        QVERIFY(QDir(folder.path()).mkdir("data"));
        writeFile(folder.filePath("VANTOR.INI"),
                  QStringLiteral("[Preferences]\nDatabase=%1\n").arg(db).toUtf8());
        const QString changelog = folder.filePath("CHANGELOG.md");
        writeFile(changelog, kChangelog);
        QCOMPARE(runProgram({"--import-changelog", changelog, "--title", "App"}, program).status,
                 0);
        QVERIFY(QFile::exists(db));
        const Run r = runProgram({"--export-notes", "appstream", "--title", "App"}, program);
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith("<releases>\n  <release version=\"2.0\" date=\"2024-05-01\">"));
    }
};

QTEST_GUILESS_MAIN(TestNotesCli)
#include "tst_notescli.moc"
