#include "core/settings/Settings.h"

#include "core/settings/IniFile.h"

#include <QCoreApplication>

#include <cstdio>

QString IniFilePath;
QString DatabasePath;

namespace {
QString& programFolderOverride()
{
    static QString folder;
    return folder;
}
QString& databaseOverride()
{
    static QString path;
    return path;
}
const char kSection[] = "Preferences";
const char kKey[] = "Database";
} // namespace

QString ProgramFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString& folder)
{
    programFolderOverride() = folder;
}

DataLocation CurrentDataLocation()
{
    const DataLocation where = LocateData(ProgramFolder(), UserFolders::fromEnvironment());
    // Said once a run, on standard error: start-up asks for the location more than once.
    static QString said;
    if (!where.untrusted.isEmpty() && said != where.untrusted) {
        said = where.untrusted;
        std::fprintf(stderr,
                     "vantor: the settings and the database beside the program are not used, "
                     "because %s; those in %s and %s are used instead.\n",
                     qPrintable(where.untrusted), qPrintable(where.settingsFolder),
                     qPrintable(where.dataFolder));
    }
    return where;
}

QString DefaultDatabasePath()
{
    return CurrentDataLocation().defaultDatabase();
}

void SetDatabaseOverride(const QString& path)
{
    databaseOverride() = path;
}

bool HasDatabaseOverride()
{
    return !databaseOverride().isEmpty();
}

QString ReadIniSetting(const QString& section, const QString& key, const QString& fallback)
{
    return IniFile::read(IniFilePath, section, key, fallback);
}

bool WriteIniSetting(const QString& section, const QString& key, const QString& value)
{
    return IniFile::write(IniFilePath, section, key, value);
}

void WriteDefaultSettings()
{
    WriteIniSetting(kSection, kKey, DefaultDatabasePath());
}

QString ConfiguredDatabasePath()
{
    if (HasDatabaseOverride())
        return databaseOverride();
    return ReadIniSetting(kSection, kKey, DatabasePath);
}
