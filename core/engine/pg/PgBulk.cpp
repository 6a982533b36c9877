// Many rows into one table, several hundred to a statement.
#include "core/engine/pg/PgEngine.h"

#include "core/engine/pg/PgSchema.h"

#include <algorithm>

namespace {
// Rows in one INSERT: few round trips, and far below the server's limit of parameters.
constexpr size_t kRowsPerStatement = 500;

QByteArray valuesList(size_t rows, qsizetype fields)
{
    QByteArray list;
    int n = 0;
    for (size_t r = 0; r < rows; ++r) {
        list += r ? ", (" : "(";
        for (qsizetype f = 0; f < fields; ++f)
            list += (f ? ", $" : "$") + QByteArray::number(++n);
        list += ')';
    }
    return list;
}
} // namespace

std::vector<qint64> PgEngine::insertRows(const QString& name, const QStringList& fields,
                                         const std::vector<QVariantList>& rows)
{
    const PgTable& t = table(name);
    std::vector<qint64> keys;
    keys.reserve(rows.size());
    const QByteArray into =
        "INSERT INTO \"" + t.table + "\" (" + columnList(t, fields).mid(2) + ") VALUES ";
    // Full statements share one text, so the server prepares it once.
    for (size_t start = 0; start < rows.size(); start += kRowsPerStatement) {
        const size_t count = std::min(kRowsPerStatement, rows.size() - start);
        QVariantList params;
        params.reserve(qsizetype(count) * fields.size());
        for (size_t r = start; r < start + count; ++r)
            params += rows[r];
        const PgResult r = exec(
            {into + valuesList(count, fields.size()) + " RETURNING \"" + t.key() + '"', params});
        // The server draws each row's key in the order the rows are listed, so the keys in
        // ascending order are the rows' in order, whatever order it returns them in.
        std::vector<qint64> made(size_t(r.rows()));
        for (int i = 0; i < r.rows(); ++i)
            made[size_t(i)] = r.integer(i, 0);
        std::sort(made.begin(), made.end());
        keys.insert(keys.end(), made.begin(), made.end());
    }
    for (size_t i = 0; i < keys.size() && i < rows.size(); ++i)
        m_bases.added(t.name, fields, rows[i], keys[i]);
    return keys;
}
