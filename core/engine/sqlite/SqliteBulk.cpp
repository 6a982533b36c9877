// Many rows into one table through one prepared statement.
#include "core/engine/sqlite/SqliteEngine.h"

#include "core/sql/SqlText.h"

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

// Binds as the Qt driver does, dates as the "yyyy-mm-dd" texts the engine stores.
int bindValue(sqlite3_stmt* st, int column, const QVariant& v)
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
        return sqlite3_bind_text16(st, column, text.utf16(), int(text.size() * sizeof(QChar)),
                                   SQLITE_TRANSIENT);
    }
    }
}
} // namespace

std::vector<qint64> SqliteEngine::insertRows(const QString& table, const QStringList& fields,
                                             const std::vector<QVariantList>& rows)
{
    std::vector<qint64> keys;
    if (rows.empty())
        return keys;
    keys.reserve(rows.size());
    checkWritable();
    QStringList columns, marks;
    for (const QString& f : fields) {
        columns << Sql::Bracketed(f);
        marks << QStringLiteral("?");
    }
    const Statement insert(m_handle, QStringLiteral("INSERT INTO ") + Sql::Bracketed(table) +
                                         QStringLiteral(" (") + columns.join(',') +
                                         QStringLiteral(") VALUES (") + marks.join(',') +
                                         QLatin1Char(')'));
    for (const QVariantList& row : rows) {
        const StepScope reset(insert.get());
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (bindValue(insert.get(), int(i) + 1, row.at(i)) != SQLITE_OK)
                throw StatementError(m_handle);
        }
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            throw StatementError(m_handle);
        keys.push_back(sqlite3_last_insert_rowid(m_handle));
    }
    return keys;
}
