#include "core/settings/Settings.h"

#include "core/settings/IniFile.h"

#include <QCoreApplication>

QString IniFilePath;
QString DatabasePath;
qint16 EditMode = 0;

namespace {
QString& programFolderOverride()
{
    static QString folder;
    return folder;
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

QString DefaultDatabasePath()
{
    return ProgramFolder() + "/vantor.mdb";
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
    return ReadIniSetting(kSection, kKey, DatabasePath);
}
