#include "core/engine/sqlite/SqliteStatement.h"

#include "core/engine/sqlite/SqliteError.h"
#include "core/text/Utf8Text.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

#include <sqlite3.h>

namespace {
// NULL where the Qt driver would bind NULL: no value, or a null text, date or byte array.
bool boundAsNull(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return true;
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString().isNull();
    case QMetaType::QByteArray:
        return v.toByteArray().isNull();
    case QMetaType::QDate:
        return !v.toDate().isValid();
    default:
        return false;
    }
}
} // namespace

DbError StatementError(sqlite3* db)
{
    return DbError(
        DescribeSqliteFailure(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))));
}
int BindValue(sqlite3_stmt* st, int column, const QVariant& v)
{
    if (boundAsNull(v))
        return sqlite3_bind_null(st, column);
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(st, column, v.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(st, column, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = v.toByteArray();
        return sqlite3_bind_blob(st, column, bytes.constData(), int(bytes.size()),
                                 SQLITE_TRANSIENT);
    }
    default: {
        const QString text = v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                             : v.typeId() == QMetaType::QDateTime
                                 ? v.toDateTime().date().toString(Qt::ISODate)
                                 : v.toString();
        const QByteArray utf8 = text.toUtf8();
        return sqlite3_bind_text(st, column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    }
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
