#include "core/engine/sqlite/SqliteStatement.h"

#include "core/text/Utf8Text.h"

#include <QByteArray>

#include <sqlite3.h>

DbError StatementError(sqlite3* db)
{
    return DbError(QString::fromUtf8(sqlite3_errmsg(db)));
}

Statement::Statement(sqlite3* db, const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        throw StatementError(db);
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

StepScope::~StepScope()
{
    sqlite3_reset(m_stmt);
}

ReadScope::ReadScope(sqlite3* db)
    : m_db(db), m_own(sqlite3_get_autocommit(db) &&
                      sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
{
}

ReadScope::~ReadScope()
{
    if (m_own)
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
}

QVariant ColumnValue(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                                   sqlite3_column_bytes(stmt, column)));
    default:
        return QVariant(Utf8Text(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column)));
    }
}
