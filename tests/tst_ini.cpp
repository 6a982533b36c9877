#include "core/settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestIni : public QObject {
    Q_OBJECT
    QByteArray write(const QByteArray& before, const char* section, const char* key,
                     const char* value)
    {
        return IniFile::writeToBytes(before, section, key, value);
    }
private slots:
    void readsMatchWithoutCase()
    {
        const QByteArray ini = "[preferences]\nDATABASE = /data/v.mdb \n";
        QCOMPARE(IniFile::readFromBytes(ini, "Preferences", "Database", "x"), "/data/v.mdb");
        QCOMPARE(IniFile::readFromBytes(ini, "Other", "Database", "x"), "x");
        QCOMPARE(IniFile::readFromBytes(ini, "Preferences", "Data", "x"), "x");
    }
    void keyInAnotherSectionIsNotSeen()
    {
        const QByteArray ini = "[Other]\nDatabase=/a\n[Preferences]\nPath=/b\n";
        QCOMPARE(IniFile::readFromBytes(ini, "Preferences", "Database", "dflt"), "dflt");
    }
    void firstOccurrenceWinsAndQuotesAreStripped()
    {
        const QByteArray ini = "[P]\nk=\"first value\"\nk=second\n";
        QCOMPARE(IniFile::readFromBytes(ini, "P", "k", ""), "first value");
    }
    void longValuesAreReadWhole()
    {
        const QString path = "/" + QString(300, 'd') + "/vantor.mdb";
        const QByteArray ini = write({}, "Preferences", "Database", path.toUtf8().constData());
        QCOMPARE(IniFile::readFromBytes(ini, "Preferences", "Database", ""), path);
    }
    void writeCreatesSectionAndKey()
    {
        QCOMPARE(write({}, "Preferences", "Database", "/x/vantor.mdb"),
                 QByteArray("[Preferences]\nDatabase=/x/vantor.mdb\n"));
        QCOMPARE(write("[A]\nb=1", "Preferences", "Database", "v"),
                 QByteArray("[A]\nb=1\n[Preferences]\nDatabase=v\n"));
        QCOMPARE(write("[preferences]\nOther=1\n\n[Z]\nz=2\n", "Preferences", "Database", "v"),
                 QByteArray("[preferences]\nOther=1\nDatabase=v\n\n[Z]\nz=2\n"));
    }
    void writeReplacesInPlaceAndKeepsOtherLines()
    {
        const QByteArray before = "; my settings\r\n[PREFERENCES]\r\n  database = old\r\n"
                                  "Other=keep me\r\n\xff\xfe garbage\r\n";
        QCOMPARE(write(before, "Preferences", "Database", "/new path"),
                 QByteArray("; my settings\r\n[PREFERENCES]\r\n  database =/new path\r\n"
                            "Other=keep me\r\n\xff\xfe garbage\r\n"));
    }
    void filesOnDisk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("VANTOR.INI");
        QCOMPARE(IniFile::read(path, "Preferences", "Database", "none"), "none");
        QVERIFY(IniFile::write(path, "Preferences", "Database", "/a/b"));
        QCOMPARE(IniFile::read(path, "preferences", "DATABASE", "none"), "/a/b");
        // A folder where the file should be: reads give the default, writes fail.
        QVERIFY(QDir(dir.path()).mkdir("folder.ini"));
        QCOMPARE(IniFile::read(dir.filePath("folder.ini"), "P", "k", "d"), "d");
        QVERIFY(!IniFile::write(dir.filePath("folder.ini"), "P", "k", "v"));
        // Never through a link, which may lead to any file of the user's.
        QVERIFY(QFile::link(path, dir.filePath("link.ini")));
        QVERIFY(!IniFile::write(dir.filePath("link.ini"), "Preferences", "Database", "/c/d"));
        QCOMPARE(IniFile::read(path, "Preferences", "Database", "none"), "/a/b");
        QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("dangling.ini")));
        QVERIFY(!IniFile::write(dir.filePath("dangling.ini"), "P", "k", "v"));
        QVERIFY(!QFile::exists(dir.filePath("nowhere")));
    }
    void binaryGarbageGivesTheDefault()
    {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk += char((i * 7919) % 256);
        QCOMPARE(IniFile::readFromBytes(junk, "Preferences", "Database", "d"), "d");
        const QByteArray after = write(junk, "Preferences", "Database", "v");
        QVERIFY(after.startsWith(junk));
        QCOMPARE(IniFile::readFromBytes(after, "Preferences", "Database", "d"), "v");
    }
};

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
