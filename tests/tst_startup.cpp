#include "app/CommandLine.h"
#include "core/settings/DataLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {
constexpr int kRuns = -1; // the program starts its window

// Makes dir a program folder holding its own VANTOR.INI, as an administrator installs one:
// nobody but the owner may write either, and the folder not even the owner unless ownerWrites.
bool holdOwnSettings(const QString& dir, bool ownerWrites)
{
    const auto read = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto enter = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QFile ini(dir + "/VANTOR.INI");
    return ini.open(QIODevice::WriteOnly) && ini.setPermissions(read | QFile::WriteOwner) &&
           QFile::setPermissions(dir,
                                 ownerWrites ? read | enter | QFile::WriteOwner : read | enter);
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void systemFolders_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("system");
        for (const char* f : {"/usr/bin", "/usr/local/bin", "/bin", "/sbin", "/lib64/vantor",
                              "/opt/vantor", "/etc", "/snap/vantor/12/bin", "/", "/usr/bin/../bin"})
            QTest::newRow(f) << f << true;
        for (const char* f : {"/home/ann/tools", "/tmp/vantor", "/srv/usr/bin", "/root/bin",
                              "/usrdata", "/media/stick/Vantor"})
            QTest::newRow(f) << f << false;
    }
    void systemFolders()
    {
        QFETCH(QString, folder);
        QFETCH(bool, system);
        QCOMPARE(IsSystemFolder(folder), system);
    }

    void whereSettingsAndDataLive_data()
    {
        // "<tmp>" is a writable folder of the user; "<opt>" one in /opt and "<read-only>" one
        // the user may not write, each holding its own VANTOR.INI.
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("settingsFolder"); // those folders, or "<home>"
        QTest::addColumn<QString>("dataFolder");
        const char* const rows[][6] = {
            {"writable folder", "<tmp>", "", "", "<tmp>", "<tmp>"},
            {"writable folder, XDG set", "<tmp>", "/x/config", "/x/data", "<tmp>", "<tmp>"},
            {"own settings in a system folder", "<opt>", "", "", "<opt>", "<opt>"},
            {"own settings, not writable", "<read-only>", "", "", "<read-only>", "<read-only>"},
            {"installed", "/usr/bin", "", "", "<home>/.config/vantor",
             "<home>/.local/share/vantor"},
            {"installed, XDG set", "/usr/bin", "/x/config/", "/x//data", "/x/config/vantor",
             "/x/data/vantor"},
            // The XDG rules ignore relative values.
            {"installed, XDG relative", "/usr/bin", "config", "./data", "<home>/.config/vantor",
             "<home>/.local/share/vantor"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << r[1] << r[2] << r[3] << r[4] << r[5];
    }
    void whereSettingsAndDataLive()
    {
        QFETCH(QString, program);
        QFETCH(QString, configHome);
        QFETCH(QString, dataHome);
        QFETCH(QString, settingsFolder);
        QFETCH(QString, dataFolder);
        QTemporaryDir tmp;
        std::optional<QTemporaryDir> opt;
        const QString home = QStringLiteral("/home/ann");
        auto expand = [&](QString s) {
            return s.replace("<tmp>", tmp.path())
                .replace("<opt>", opt ? opt->path() : QString())
                .replace("<read-only>", tmp.path())
                .replace("<home>", home);
        };
        const auto removable = qScopeGuard([&] {
            QFile::setPermissions(tmp.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        if (program == "<opt>") {
            opt.emplace("/opt/vantor-test-XXXXXX");
            if (!opt->isValid())
                QSKIP("this user may not make a folder in /opt");
            QVERIFY(holdOwnSettings(opt->path(), true));
        }
        if (program == "<read-only>")
            QVERIFY(holdOwnSettings(tmp.path(), false));
        const DataLocation where =
            LocateData(expand(program), UserFolders{home, configHome, dataHome});
        QCOMPARE(where.portable, settingsFolder == program);
        QCOMPARE(where.settingsFile(), expand(settingsFolder) + "/VANTOR.INI");
        QCOMPARE(where.defaultDatabase(), expand(dataFolder) + "/vantor.mdb");
    }

    void foldersAreMadeForTheirOwnerOnly()
    {
        QTemporaryDir home;
        const DataLocation where = LocateData("/usr/bin", UserFolders{home.path(), {}, {}});
        QVERIFY(CreateDataFolders(where));
        QVERIFY(CreateDataFolders(where)); // again: nothing to make
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        for (const QString& made : {home.path() + "/.config", where.settingsFolder,
                                    home.path() + "/.local", where.dataFolder}) {
            QVERIFY2(QFileInfo(made).isDir(), qPrintable(made));
            QVERIFY2(!(QFileInfo(made).permissions() & others), qPrintable(made));
        }
        // A file where a folder belongs is reported, not replaced.
        QDir(where.dataFolder).removeRecursively();
        QFile blocker(where.dataFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        QVERIFY(!CreateDataFolders(where));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // part of what is printed
        QTest::addColumn<QString>("database");
        const QString here = QDir::currentPath();
        QTest::newRow("nothing") << QStringList{"vantor"} << kRuns << ""
                                 << "";
        QTest::newRow("--version")
            << QStringList{"vantor", "--version"} << 0 << "Vantor " VANTOR_VERSION "\n"
            << "";
        QTest::newRow("-v") << QStringList{"vantor", "-v"} << 0 << "Vantor " VANTOR_VERSION "\n"
                            << "";
        QTest::newRow("--help") << QStringList{"/usr/bin/vantor", "--help"} << 0
                                << "Usage: vantor [options]"
                                << "";
        QTest::newRow("--database absolute")
            << QStringList{"vantor", "--database=/srv/db/v.mdb"} << kRuns << ""
            << "/srv/db/v.mdb";
        QTest::newRow("--database relative")
            << QStringList{"vantor", "--database", "v.mdb"} << kRuns << "" << here + "/v.mdb";
        QTest::newRow("Qt's own options pass")
            << QStringList{"vantor", "-style", "Fusion", "-reverse"} << kRuns << ""
            << "";
        QTest::newRow("unknown option")
            << QStringList{"vantor", "--bogus"} << 2 << "Unknown option 'bogus'"
            << "";
        QTest::newRow("argument") << QStringList{"vantor", "v.mdb"} << 2
                                  << "Unexpected argument 'v.mdb'"
                                  << "";
        QTest::newRow("--database without a path")
            << QStringList{"vantor", "--database"} << 2 << "Missing value"
            << "";
        QTest::newRow("--database empty")
            << QStringList{"vantor", "--database", ""} << 2 << "needs a path"
            << "";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(QString, database);
        const CommandLine c = ParseCommandLine(arguments);
        QCOMPARE(c.run, exitCode == kRuns);
        QCOMPARE(c.databasePath, database);
        if (exitCode == kRuns) {
            QVERIFY(c.output.isEmpty() && c.error.isEmpty());
            return;
        }
        QCOMPARE(c.exitCode, exitCode);
        // Answers go to standard output, refusals to standard error.
        const QString printed = exitCode == 0 ? c.output : c.error;
        QVERIFY2(printed.contains(says), qPrintable(printed));
        QVERIFY((exitCode == 0 ? c.error : c.output).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
