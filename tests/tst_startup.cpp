#include "app/CommandLine.h"
#include "core/data/Connection.h"
#include "core/settings/DataLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

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
const auto kGroupWrites = QFile::Permissions(0x7755) | QFile::WriteGroup;

// Makes dir, a folder of the user's own, one that another user could have filled, in the way
// the row names.
bool distrust(const QString& how, const QString& dir)
{
    const auto all = QFile::Permissions(0x7777);
    const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther;
    if (how == "<open database>") {
        QFile db(dir + "/vantor.mdb");
        return db.open(QIODevice::WriteOnly) && db.setPermissions(open);
    }
    if (!holdOwnSettings(dir, true))
        return false;
    if (how == "<open folder>")
        return QFile::setPermissions(dir, all);
    if (how == "<shared group>")
        return ::chown(QFile::encodeName(dir).constData(), uid_t(-1), 100) == 0 &&
               QFile::setPermissions(dir, kGroupWrites);
    if (how == "<open settings>")
        return QFile::setPermissions(dir + "/VANTOR.INI", open);
    return ::chown(QFile::encodeName(dir).constData(), 65534, 65534) == 0;
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
            // What another user could have written is not trusted.
            {"folder others may write", "<open folder>", "", "", "<home>/.config/vantor",
             "<home>/.local/share/vantor"},
            {"settings others may write", "<open settings>", "", "", "<home>/.config/vantor",
             "<home>/.local/share/vantor"},
            {"database others may write", "<open database>", "", "", "<home>/.config/vantor",
             "<home>/.local/share/vantor"},
            {"folder of another user", "<another's>", "", "", "<home>/.config/vantor",
             "<home>/.local/share/vantor"},
            {"folder a shared group may write", "<shared group>", "", "", "<home>/.config/vantor",
             "<home>/.local/share/vantor"},
            // A user's private group, as a umask of 002 leaves it, lets no one else write.
            {"folder its owner's own group may write", "<own group>", "", "", "<own group>",
             "<own group>"},
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
                .replace("<own group>", tmp.path())
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
        if (program == "<own group>") {
            const passwd* me = ::getpwuid(::geteuid());
            const group* g = me ? ::getgrgid(me->pw_gid) : nullptr;
            if (!g || g->gr_mem[0] || qstrcmp(g->gr_name, me->pw_name) != 0)
                QSKIP("this user's group is not a private one");
            QVERIFY(holdOwnSettings(tmp.path(), true));
            QVERIFY(QFile::setPermissions(tmp.path(), kGroupWrites));
        }
        const bool stranger =
            program.startsWith("<open") || program == "<another's>" || program == "<shared group>";
        if ((program == "<another's>" || program == "<shared group>") && ::geteuid() != 0)
            QSKIP("only root may give a folder to another user or group");
        if (stranger)
            QVERIFY(distrust(program, tmp.path()));
        const DataLocation where = LocateData(stranger ? tmp.path() : expand(program),
                                              UserFolders{home, configHome, dataHome});
        QCOMPARE(where.portable, settingsFolder == program);
        QCOMPARE(where.untrusted.isEmpty(), !stranger);
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
        // Every local user can read a process's command line.
        QTest::newRow("--database with a password")
            << QStringList{"vantor", "--database", "postgresql://ann:s3cret@db/vantor"} << 2
            << "~/.pgpass"
            << "";
        QTest::newRow("--copy from an address with a password")
            << QStringList{"vantor", "--copy", "postgresql://db/v?pass%77ord=s3cret", "to.db"} << 2
            << "PGPASSWORD"
            << "";
        QTest::newRow("--copy to an address with a password")
            << QStringList{"vantor", "--copy", "from.db", "postgres://db/v?password='s3 cret'"} << 2
            << "no password on its command line"
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
        QVERIFY2(printed.contains(says) && !printed.contains("s3"), qPrintable(printed));
        QVERIFY((exitCode == 0 ? c.error : c.output).isEmpty());
    }

    // Messages and --copy's lines show an address as libpq reads it: host, port, database and
    // user only, however a password was written.
    void shownAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shown");
        const char* const rows[][3] = {
            {"a blank in the password", "postgresql://ann:pa s3@db/vantor",
             "postgresql://ann@db/vantor"},
            {"quotes in the password", "postgresql://ann:it's\"s3@db:5433/vantor",
             "postgresql://ann@db:5433/vantor"},
            {"keyword percent-encoded", "postgresql://db/vantor?pass%77ord=s3cret&user=ann",
             "postgresql://ann@db/vantor"},
            {"keyword quoted", "postgres://db/vantor?password='s3 cret'&sslmode=disable",
             "postgresql://db/vantor"},
            {"socket folder", "postgresql:///vantor?host=/run/pg&port=5433&password=s3",
             "postgresql:///vantor?host=/run/pg&port=5433"},
            {"not readable", "postgresql://ann:s3cret%ZZ@[::1/vantor",
             "postgresql://(an address that cannot be read)"},
            {"a file", "/srv/pass s3/v.db", "/srv/pass s3/v.db"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << r[1] << r[2];
    }
    void shownAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, shown);
        QCOMPARE(ShownDatabase(address), shown);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
