#pragma once

#include "core/settings/DataLocation.h"

#include <QString>

// Full path of VANTOR.INI (see CurrentDataLocation); set once at start-up.
extern QString IniFilePath;
// The database path as start-up read it; the fallback when the path is read again.
extern QString DatabasePath;

// The folder of the executable, unless a test has set another one.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

// Where VANTOR.INI and the default database live for the program's folder.
DataLocation CurrentDataLocation();
QString DefaultDatabasePath();

// A database named on the command line, used for this run instead of the configured one;
// empty for none.
void SetDatabaseOverride(const QString& path);
bool HasDatabaseOverride();

QString ReadIniSetting(const QString& section, const QString& key, const QString& fallback);
bool WriteIniSetting(const QString& section, const QString& key, const QString& value);
void WriteDefaultSettings();

// The database path of this run: the one named on the command line, else the one stored in the
// settings file, with DatabasePath as the fallback.
QString ConfiguredDatabasePath();
