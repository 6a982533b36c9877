// The reads of the SQLite engine: keys by WHERE text, rows and fields by key. They go through
// SQLite's own interface, not QSqlQuery, because sets run to a hundred thousand rows.
#include "core/engine/sqlite/SqliteEngine.h"

#include "core/engine/Cascade.h"
#include "core/sql/SqlText.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace {
using Sql::Bracketed;

// Keys read in one read transaction while a long set is walked.
constexpr int kWalkBlockRows = 128;

// ", [a], [b]" for the fields, to follow "rowid" in a select list.
QString fieldList(const QStringList& fields)
{
    QString list;
    for (const QString& f : fields)
        list += QStringLiteral(", ") + Bracketed(f);
    return list;
}

// The rows of a set in key order: the key first, then the columns of list.
QString setSelect(const QString& list, const QString& table, const QString& where)
{
    QString sql =
        QStringLiteral("SELECT rowid") + list + QStringLiteral(" FROM ") + Bracketed(table);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return sql + QStringLiteral(" ORDER BY rowid");
}

// One row by its key, or the rows whose keys lie between two bounds.
QString keyedSelect(const QString& list, const QString& table, bool range)
{
    return QStringLiteral("SELECT rowid") + list + QStringLiteral(" FROM ") + Bracketed(table) +
           (range ? QStringLiteral(" WHERE rowid >= ? AND rowid <= ?")
                  : QStringLiteral(" WHERE rowid = ?"));
}

// Steps a statement whose first column is the key to its end: the keys, with take(statement)
// called on each row.
template <typename Take> std::vector<qint64> stepKeys(sqlite3* db, sqlite3_stmt* stmt, Take&& take)
{
    std::vector<qint64> keys;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        keys.push_back(sqlite3_column_int64(stmt, 0));
        take(stmt);
    }
    if (rc != SQLITE_DONE)
        throw StatementError(db);
    return keys;
}

// One pass over the keys between keys[0] and keys[count - 1]: take(i, statement) for each row
// whose key is in the list.
template <typename Take>
void readRange(sqlite3* db, sqlite3_stmt* range, const qint64* keys, int count, Take&& take)
{
    const StepScope reset(range);
    sqlite3_bind_int64(range, 1, keys[0]);
    sqlite3_bind_int64(range, 2, keys[count - 1]);
    int i = 0;
    int rc = SQLITE_DONE;
    while (i < count && (rc = sqlite3_step(range)) == SQLITE_ROW) {
        const qint64 key = sqlite3_column_int64(range, 0);
        while (i < count && keys[i] < key)
            ++i;
        if (i < count && keys[i] == key)
            take(i++, range);
    }
    if (i < count && rc != SQLITE_DONE)
        throw StatementError(db);
}

// One lookup per key: take(i, statement) for each row found.
template <typename Take>
void readEach(sqlite3* db, sqlite3_stmt* one, const qint64* keys, int count, Take&& take)
{
    for (int i = 0; i < count; ++i) {
        const StepScope reset(one);
        sqlite3_bind_int64(one, 1, keys[i]);
        const int rc = sqlite3_step(one);
        if (rc == SQLITE_ROW)
            take(i, one);
        else if (rc != SQLITE_DONE)
            throw StatementError(db);
    }
}

// The rows of keys[0, count) in key order: by range when the keys lie close together, as in a
// title's full set, otherwise one by one, as after a search.
template <typename Take>
void readKeyed(sqlite3* db, sqlite3_stmt* range, sqlite3_stmt* one, const qint64* keys, int count,
               Take&& take)
{
    if (count <= 0)
        return;
    if (keys[count - 1] - keys[0] < qint64(count) * 2)
        readRange(db, range, keys, count, take);
    else
        readEach(db, one, keys, count, take);
}
} // namespace

SqliteEngine::TableReader::TableReader(sqlite3* db, const QString& table)
    : one(db, keyedSelect(QStringLiteral(", *"), table, false)),
      range(db, keyedSelect(QStringLiteral(", *"), table, true))
{
    // Column 0 is the key; a field of that name is found after it.
    const int count = sqlite3_column_count(one.get());
    for (int i = 1; i < count; ++i)
        columns.push_back(QString::fromUtf8(sqlite3_column_name(one.get(), i)));
}

SqliteEngine::TableReader& SqliteEngine::reader(const QString& table)
{
    auto it = m_readers.find(table);
    if (it == m_readers.end())
        it = m_readers.emplace(table, std::make_unique<TableReader>(m_handle, table)).first;
    return *it->second;
}

const std::vector<QString>& SqliteEngine::columns(const QString& table)
{
    return reader(table).columns;
}

void SqliteEngine::readRows(const QString& table, const qint64* keys, int count, QVariant* values,
                            char* present)
{
    TableReader& r = reader(table);
    const size_t columns = r.columns.size();
    const ReadScope scope(m_handle);
    const QString name = VantorTableName(table);
    std::vector<sqlite3_value*> cells(columns);
    readKeyed(m_handle, r.range.get(), r.one.get(), keys, count, [&](int i, sqlite3_stmt* st) {
        // Shown now, so a save of this row must find it as it is now.
        for (size_t c = 0; c < columns; ++c)
            cells[c] = sqlite3_column_value(st, int(c) + 1);
        m_bases.read(name, keys[i], RowBasis(cells.data(), int(columns)));
        QVariant* row = values + size_t(i) * columns;
        for (size_t c = 0; c < columns; ++c)
            row[c] = ColumnValue(st, int(c) + 1);
        present[i] = 1;
    });
}

std::vector<qint64> SqliteEngine::keys(const QString& table, const QString& where)
{
    const std::optional<FindPlan> plan = searchPlan(table, where);
    if (plan && plan->exactOnly())
        return indexedKeys(*plan, std::numeric_limits<qint64>::min());
    const Statement q(m_handle, setSelect(QString(), table, plan ? narrowedWhere(*plan) : where));
    std::vector<qint64> keys = stepKeys(m_handle, q.get(), [](sqlite3_stmt*) {});
    m_bases.listed(table, where, keys);
    return keys;
}

Engine::KeyPart SqliteEngine::keysAfter(const QString& table, const QString& where, qint64 after,
                                        int limit)
{
    const std::optional<FindPlan> plan = searchPlan(table, where);
    KeyPart part;
    if (plan && limit < 0 && plan->exactOnly()) {
        part.keys = indexedKeys(*plan, after);
    } else {
        QString sql;
        if (plan && limit >= 0) {
            sql = indexedPartSelect(*plan, where, after, limit);
        } else {
            const QString narrowed = plan ? narrowedWhere(*plan) : where;
            const QString above = QStringLiteral("rowid > ") + QString::number(after);
            sql = setSelect(QString(), table,
                            narrowed.isEmpty() ? above : '(' + narrowed + ") AND " + above);
            if (limit >= 0)
                sql += QStringLiteral(" LIMIT ") + QString::number(limit);
        }
        const Statement q(m_handle, sql);
        part.keys = stepKeys(m_handle, q.get(), [](sqlite3_stmt*) {});
    }
    part.next = part.keys.empty() ? after : part.keys.back();
    part.done = limit < 0 || int(part.keys.size()) < limit;
    return part;
}

std::vector<qint64> SqliteEngine::scanFields(const QString& table, const QString& where,
                                             const QStringList& fields, const FieldsSink& row)
{
    // A list's lines carry their rows' fingerprints, so that a delete from the list is checked.
    const QString name = VantorTableName(table);
    const int count = int(fields.size());
    const std::optional<FindPlan> plan = searchPlan(table, where);
    const Statement q(m_handle,
                      setSelect(fieldList(fields) + (count ? ", " + basisSql(table) : QString()),
                                table, plan ? narrowedWhere(*plan) : where));
    std::vector<QVariant> values(static_cast<size_t>(count));
    std::vector<qint64> keys = stepKeys(m_handle, q.get(), [&](sqlite3_stmt* st) {
        for (int f = 0; f < count; ++f)
            values[size_t(f)] = ColumnValue(st, f + 1);
        if (count)
            m_bases.read(name, sqlite3_column_int64(st, 0), sqlite3_column_int64(st, count + 1));
        row(values.data());
    });
    m_bases.listed(table, where, keys);
    return keys;
}

void SqliteEngine::readFields(const QString& table, const QStringList& fields, const qint64* keys,
                              int count, const KeyedFieldsSink& row)
{
    // Prepared for each walk, not kept: row may start another walk on the same table.
    const QString list = fieldList(fields);
    const Statement range(m_handle, keyedSelect(list, table, true));
    const Statement one(m_handle, keyedSelect(list, table, false));
    std::vector<QVariant> values(size_t(fields.size()));
    for (int start = 0; start < count; start += kWalkBlockRows) {
        const ReadScope scope(m_handle);
        readKeyed(m_handle, range.get(), one.get(), keys + start,
                  std::min(kWalkBlockRows, count - start), [&](int i, sqlite3_stmt* st) {
                      for (size_t f = 0; f < values.size(); ++f)
                          values[f] = ColumnValue(st, int(f) + 1);
                      row(start + i, values.data());
                  });
    }
}

std::vector<qint64> SqliteEngine::keysWhereEqual(const QString& table, const QString& field,
                                                 const QVariant& value)
{
    QSqlQuery q = run(QStringLiteral("SELECT rowid FROM ") + Bracketed(table) +
                          QStringLiteral(" WHERE ") + Bracketed(field) + QStringLiteral(" = ?"),
                      {value});
    std::vector<qint64> found;
    while (q.next())
        found.push_back(q.value(0).toLongLong());
    return found;
}
