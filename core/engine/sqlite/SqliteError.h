#pragma once

#include <QString>

class QSqlError;

// A failure of SQLite in words a user can act on, followed by SQLite's own.
QString DescribeSqlError(const QSqlError& error);
