// Many rows into one table through one prepared statement.
#include "core/engine/sqlite/SqliteEngine.h"

#include "core/sql/SqlText.h"

#include <sqlite3.h>

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
            if (BindValue(insert.get(), int(i) + 1, row.at(i)) != SQLITE_OK)
                throw StatementError(m_handle);
        }
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            throw StatementError(m_handle);
        keys.push_back(sqlite3_last_insert_rowid(m_handle));
        m_bases.added(table, fields, row, keys.back());
    }
    return keys;
}
