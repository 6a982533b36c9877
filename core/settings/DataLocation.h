#pragma once

#include <QString>

// Where the settings file and the default database live. A program folder that holds its own
// VANTOR.INI, or that the user may write and that is not a system folder, keeps both beside the
// program, as a copy carried on a stick or unpacked into a home folder expects. An installed
// program keeps them in the user's XDG folders instead, one set for each user. So does a
// program folder that another user could have filled: see Untrusted.
struct DataLocation {
    bool portable = true;
    QString untrusted;      // why the program's folder was passed over; empty when it was not
    QString settingsFolder; // holds VANTOR.INI
    QString dataFolder;     // holds the default database

    QString settingsFile() const { return settingsFolder + QStringLiteral("/VANTOR.INI"); }
    QString defaultDatabase() const { return dataFolder + QStringLiteral("/vantor.mdb"); }
};

// The user's folders as the environment names them. Empty or relative XDG values are ignored,
// as the XDG base directory rules ask.
struct UserFolders {
    QString home;
    QString configHome; // $XDG_CONFIG_HOME
    QString dataHome;   // $XDG_DATA_HOME

    static UserFolders fromEnvironment();
};

// A folder the operating system's packages own: root may write it, which must not make a
// program installed there portable.
bool IsSystemFolder(const QString& folder);

// Why a folder or file of the program's own cannot be trusted with the settings or the database:
// a user other than its owner and root may write it, or it belongs to someone other than this
// user and root (a link, to whoever made the link, too). Empty when it can, or is missing.
QString Untrusted(const QString& path);

DataLocation LocateData(const QString& programFolder, const UserFolders& user);

// Makes the folders of an XDG location that are missing, readable by their owner only.
// False when one cannot be made; the start-up then refuses with the database's own message.
bool CreateDataFolders(const DataLocation& where);
