#pragma once

#include <QString>

class QSqlError;

// A failure of SQLite in words a user can act on, followed by SQLite's own.
QString DescribeSqlError(const QSqlError& error);

// The same for a result code and the words SQLite gave with it.
QString DescribeSqliteFailure(int code, const QString& words);
