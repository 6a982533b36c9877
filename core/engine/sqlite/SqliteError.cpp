#include "core/engine/sqlite/SqliteError.h"

#include <QSqlError>

#include <sqlite3.h>

namespace {
// What the user can do about a failure, by SQLite's primary result code; empty for codes that
// the database's own words explain well enough.
QString reasonFor(int code)
{
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Another program is using the database file and kept it locked; "
                              "Vantor waited for it in vain. Try again once the other program "
                              "has finished.");
    case SQLITE_READONLY:
        return QStringLiteral("The database file is read-only; nothing can be saved to it.");
    case SQLITE_FULL:
        return QStringLiteral("The disk is full, or the database file has reached its size "
                              "limit.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("The database file or its folder cannot be written to.");
    case SQLITE_IOERR:
        return QStringLiteral("The disk reported an error while the database file was used.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("The database file is damaged.");
    default:
        return {};
    }
}
} // namespace

QString DescribeSqlError(const QSqlError& error)
{
    bool known = false;
    const int code = error.nativeErrorCode().toInt(&known);
    return known ? DescribeSqliteFailure(code, error.databaseText()) : error.databaseText();
}

QString DescribeSqliteFailure(int code, const QString& words)
{
    // As the server says it: a new record's title or version was deleted meanwhile.
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY)
        return QStringLiteral("The record this one belongs to is no longer in the database; "
                              "someone else may have deleted it.");
    const QString reason = reasonFor(code & 0xff);
    if (reason.isEmpty())
        return words;
    return words.isEmpty() ? reason : reason + QStringLiteral(" (") + words + QLatin1Char(')');
}
