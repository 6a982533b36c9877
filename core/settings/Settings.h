#pragma once

#include <QString>

// Full path of VANTOR.INI in the program's folder; set once at start-up.
extern QString IniFilePath;
// The database path as start-up read it; the fallback when the path is read again.
extern QString DatabasePath;
// Tells an editing dialog its mode: 1 add, 2 edit (find, for the problem dialog).
extern qint16 EditMode;

// The folder of the executable, unless a test has set another one.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

QString DefaultDatabasePath();

QString ReadIniSetting(const QString& section, const QString& key, const QString& fallback);
bool WriteIniSetting(const QString& section, const QString& key, const QString& value);
void WriteDefaultSettings();

// The database path stored in the settings file, with DatabasePath as the fallback.
QString ConfiguredDatabasePath();
