#pragma once

#include "core/engine/DbError.h"

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// SQLite's own words for the last failure on a connection.
DbError StatementError(sqlite3* db);

// Binds a value as the engine stores it: NULL where the Qt driver would bind NULL, dates as
// "yyyy-mm-dd" texts, texts as UTF-8. (Texts bound as UTF-16 lose a leading U+FEFF, which
// SQLite takes for a byte order mark.)
int BindValue(sqlite3_stmt* stmt, int column, const QVariant& v);

// A prepared statement, finalized on every way out.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Puts a statement back to its start on every way out, so that a kept statement holds no
// read lock after a failure.
class StepScope {
public:
    explicit StepScope(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~StepScope();
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

private:
    sqlite3_stmt* m_stmt;
};

// Outside a command's transaction every lookup would take and drop the file's lock; one read
// transaction around many lookups takes it once.
class ReadScope {
public:
    explicit ReadScope(sqlite3* db);
    ~ReadScope();
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

private:
    sqlite3* m_db;
    bool m_own;
};

// A column's value as the Qt driver gives it, so that reading through here changes nothing
// for the callers: integers as 64-bit, text as QString, NULL as a null text.
QVariant ColumnValue(sqlite3_stmt* stmt, int column);
