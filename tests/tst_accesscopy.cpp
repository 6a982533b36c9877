// Start-up with an Access file of the earlier Vantor as the database: one question, and on Yes
// its records in a new Vantor file beside it, which the window shows and the settings file
// names from then on; on No, or when the file cannot be copied, the program ends as for any
// file that is no Vantor database. The Access file is never changed.
#include "app/Main.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "tests/TestSupport.h"

#include <QFile>
#include <QtTest>

namespace {
QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QStringList kCopiedTitles = {"Escaped new line \\r\\n in field",
                                   "Hello",
                                   "No new line",
                                   "Pre-1000 years",
                                   "Pre-1900 years",
                                   "Year 1999"};

// The Access file with a table of Vantor's, at path.
void placeAccessFile(const QString& path)
{
    QFile::remove(path);
    QVERIFY(QFile::copy(QStringLiteral(VANTOR_JET_DATA "/SoftwareTable.mdb"), path));
}

QString setting()
{
    return ReadIniSetting("Preferences", "Database", "<none>");
}
} // namespace

class TestAccessCopy : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (CoreEnv::serverRun())
            QSKIP("the database named is a file");
    }

    // The old vantor.mdb beside the new program, the default database of a first start.
    void yesCopiesIntoANewFileBesideIt()
    {
        TestEnv env;
        const QString old = env.folder() + "/vantor.mdb", made = env.folder() + "/vantor.db";
        placeAccessFile(old);
        const QByteArray before = contents(old);
        env.msgs.answer(MsgResult::Yes);
        auto started = Main();
        QVERIFY(started);
        const MainWindow w(std::move(started));
        QCOMPARE(env.msgs.count(), 2);
        const MsgBoxCall& question = env.msgs.calls[0];
        QCOMPARE(question.icon, MsgIcon::Question);
        QCOMPARE(question.buttons, MsgButtons::YesNo);
        QVERIFY2(question.text.contains(old + "\nis an Access file") &&
                     question.text.contains("new file beside it,\n" + made +
                                            "\nand work in that "
                                            "from now on?"),
                 qPrintable(question.text));
        const MsgBoxCall& done = env.msgs.calls[1];
        QCOMPARE(done.icon, MsgIcon::Information);
        QVERIFY2(done.text.contains("Copied 6 Software, 0 Versions") &&
                     done.text.contains("The Access file has no table Problems"),
                 qPrintable(done.text));
        QCOMPARE(Titles(w.cboSoftware), kCopiedTitles);
        QCOMPARE(setting(), made);
        QCOMPARE(contents(old), before);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void noEndsAsForAFileThatIsNoVantorDatabase()
    {
        TestEnv env;
        const QString old = env.folder() + "/Vantor.MDB";
        placeAccessFile(old);
        QVERIFY(WriteIniSetting("Preferences", "Database", old));
        env.msgs.answer(MsgResult::No);
        QVERIFY(!Main());
        QCOMPARE(env.msgs.count(), 2);
        QCOMPARE(env.msgs.calls[1].icon, MsgIcon::Critical);
        QVERIFY2(env.msgs.lastText().startsWith("Vantor cannot open its database\n" + old) &&
                     env.msgs.lastText().contains("is an Access database (Jet 4)"),
                 qPrintable(env.msgs.lastText()));
        QVERIFY(!QFile::exists(env.folder() + "/Vantor.db"));
        QCOMPARE(setting(), old);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Cut short, it is offered and refused when read; with a password, refused before the
    // question, since no copy could read it. Either way, one message says why.
    void aFileThatCannotBeCopiedEndsWithOneMessage_data()
    {
        QTest::addColumn<bool>("password");
        QTest::addColumn<QString>("says");
        QTest::newRow("cut short") << false << "cannot copy the records of the Access file\n";
        QTest::newRow("a password") << true << "cannot open its database\n";
    }
    void aFileThatCannotBeCopiedEndsWithOneMessage()
    {
        QFETCH(bool, password);
        QFETCH(QString, says);
        TestEnv env;
        const QString old = env.folder() + "/vantor.mdb";
        placeAccessFile(old);
        QFile f(old);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        if (password)
            bytes[0x42] = char(bytes[0x42] ^ 'p');
        else
            bytes.truncate(17 * 4096);
        QVERIFY(f.seek(0) && f.resize(0) && f.write(bytes) == bytes.size());
        f.close();
        QVERIFY(WriteIniSetting("Preferences", "Database", old));
        env.msgs.answer(MsgResult::Yes);
        QVERIFY(!Main());
        QCOMPARE(env.msgs.count(), password ? 1 : 2);
        QCOMPARE(env.msgs.calls.last().icon, MsgIcon::Critical);
        QVERIFY2(env.msgs.lastText().contains(says + old) &&
                     env.msgs.lastText().contains(password ? "protected by a password"
                                                           : "damaged or cut short"),
                 qPrintable(env.msgs.lastText()));
        QVERIFY(!QFile::exists(env.folder() + "/vantor.db"));
        QCOMPARE(setting(), old);
        QCOMPARE(contents(old), bytes);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // A file of the new name is there already (an earlier copy the settings no longer name).
    void aNameTakenIsLeftToItsFile()
    {
        TestEnv env;
        const QString old = env.folder() + "/vantor.mdb";
        placeAccessFile(old);
        QFile taken(env.folder() + "/vantor.db");
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("someone's");
        taken.close();
        env.msgs.answer(MsgResult::Yes);
        auto started = Main();
        QVERIFY(started);
        QVERIFY(env.msgs.calls[0].text.contains(env.folder() + "/vantor-2.db\n"));
        QCOMPARE(setting(), env.folder() + "/vantor-2.db");
        QCOMPARE(contents(taken.fileName()), QByteArray("someone's"));
    }

    // A database named on the command line: the copy is this run's database, the settings file
    // stays as it was.
    void aDatabaseOnTheCommandLineLeavesTheSettingsAlone()
    {
        TestEnv env;
        const QString old = env.folder() + "/old.mdb";
        placeAccessFile(old);
        QVERIFY(WriteIniSetting("Preferences", "Database", "/srv/other.mdb"));
        SetDatabaseOverride(old);
        env.msgs.answer(MsgResult::Yes);
        auto started = Main();
        QVERIFY(started);
        const MainWindow w(std::move(started));
        QVERIFY(env.msgs.calls[0].text.contains("for this run (the settings file stays as it is)"));
        QCOMPARE(ConfiguredDatabasePath(), env.folder() + "/old.db");
        QCOMPARE(Titles(w.cboSoftware), kCopiedTitles);
        QCOMPARE(setting(), "/srv/other.mdb");
    }
};

QTEST_MAIN(TestAccessCopy)
#include "tst_accesscopy.moc"
