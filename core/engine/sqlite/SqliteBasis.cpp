// How the file engine tells that another program changed a row since it was read. Each row it
// gives out is remembered by a fingerprint of its values; a save or delete names that
// fingerprint, which SQLite computes in the same statement from the row as it is then, so a
// change by another Vantor, an earlier program or the sqlite3 shell is seen, and the file keeps
// its layout. The command holds the file's write lock from its start, so nothing can come
// between the check and the write.
#include "core/engine/Cascade.h"
#include "core/engine/DbError.h"
#include "core/engine/sqlite/SqliteEngine.h"
#include "core/sql/SqlText.h"

#include <sqlite3.h>

#include <cstring>

namespace {
using Sql::Bracketed;

constexpr quint64 kOdd = 0x9e3779b97f4a7c15ULL;

quint64 word(const unsigned char* p)
{
    quint64 w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

quint64 scramble(quint64 h)
{
    h ^= h >> 32;
    h *= kOdd;
    return h ^ (h >> 29);
}

// The bytes mixed into h eight at a time in four independent lanes: problem texts run long, and
// every row read is fingerprinted, so this runs at memory speed rather than a byte at a time.
quint64 mix(quint64 h, const void* data, size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    if (!p)
        return scramble(h);
    quint64 lane[4] = {h, h ^ kOdd, h + kOdd, ~h};
    for (; size >= 32; size -= 32, p += 32) {
        for (int i = 0; i < 4; ++i)
            lane[i] = (lane[i] ^ word(p + 8 * i)) * kOdd;
    }
    quint64 out = scramble(lane[0]) ^ scramble(lane[1] + 1) * 3 ^ scramble(lane[2] + 2) * 5 ^
                  scramble(lane[3] + 3) * 7;
    for (; size >= 8; size -= 8, p += 8)
        out = scramble(out ^ word(p));
    quint64 tail = 0;
    if (size)
        std::memcpy(&tail, p, size);
    return scramble(out ^ tail ^ (quint64(size) << 56));
}

void basisFunction(sqlite3_context* context, int count, sqlite3_value** args)
{
    sqlite3_result_int64(context, RowBasis(args, count));
}
} // namespace

qint64 RowBasis(sqlite3_value* const* values, int count)
{
    // The type and length of each value go in before its bytes, so that NULL, an empty text,
    // a text of digits and a number all differ, and no two rows run together.
    quint64 h = 0x76616e746f72ULL;
    for (int i = 0; i < count; ++i) {
        sqlite3_value* v = values[i];
        const int type = sqlite3_value_type(v);
        qint64 number = 0;
        double real = 0;
        const void* data = nullptr;
        qint64 size = 0;
        if (type == SQLITE_INTEGER) {
            number = sqlite3_value_int64(v);
            data = &number;
            size = sizeof number;
        } else if (type == SQLITE_FLOAT) {
            real = sqlite3_value_double(v);
            data = &real;
            size = sizeof real;
        } else if (type == SQLITE_BLOB) {
            data = sqlite3_value_blob(v);
            size = sqlite3_value_bytes(v);
        } else if (type == SQLITE_TEXT) {
            data = sqlite3_value_text(v);
            size = sqlite3_value_bytes(v);
        }
        h = mix(scramble(h ^ quint64(type) ^ (quint64(size) << 8)), data, size_t(size));
    }
    // 0 stands for a row never read.
    return h ? qint64(h) : 1;
}

QString SqliteEngine::basisSql(const QString& table)
{
    if (!m_basisReady) {
        const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
        if (sqlite3_create_function(m_handle, "vantor_row_basis", -1, flags, nullptr, basisFunction,
                                    nullptr, nullptr) != SQLITE_OK)
            throw StatementError(m_handle);
        m_basisReady = true;
    }
    QStringList columns;
    for (const QString& c : reader(table).columns)
        columns << Bracketed(c);
    return QStringLiteral("vantor_row_basis(") + columns.join(',') + QLatin1Char(')');
}

void SqliteEngine::update(const QString& table, qint64 key, const QStringList& fields,
                          const QVariantList& values)
{
    if (fields.isEmpty())
        return;
    const QString name = VantorTableName(table);
    QStringList sets;
    for (const QString& f : fields)
        sets << Bracketed(f) + QStringLiteral(" = ?");
    QString sql = QStringLiteral("UPDATE ") + Bracketed(table) + QStringLiteral(" SET ") +
                  sets.join(',') + QStringLiteral(" WHERE rowid = ?");
    QVariantList params = values;
    params << key;
    // A row this engine never gave out cannot have been shown, so there is nothing to compare.
    if (const qint64 basis = m_bases.of(name, key)) {
        sql += QStringLiteral(" AND ") + basisSql(table) + QStringLiteral(" = ?");
        params << basis;
    }
    if (write(sql, params).changes == 0)
        throw conflict(table, key, false);
    // The command holds the write lock: what is there now is this save.
    m_bases.wrote(name, key, basisNow(table, key));
}

void SqliteEngine::remove(const QString& table, qint64 key)
{
    const QString name = VantorTableName(table);
    QString sql =
        QStringLiteral("DELETE FROM ") + Bracketed(table) + QStringLiteral(" WHERE rowid = ?");
    QVariantList params{key};
    if (const qint64 basis = m_bases.of(name, key)) {
        sql += QStringLiteral(" AND ") + basisSql(table) + QStringLiteral(" = ?");
        params << basis;
    }
    if (cascadeChanged(name, {key}))
        throw RowConflict(RowConflict::Changed, true);
    if (write(sql, params).changes == 0)
        throw conflict(table, key, true);
}

qint64 SqliteEngine::basisNow(const QString& table, qint64 key)
{
    const Rows now = query(QStringLiteral("SELECT ") + basisSql(table) + QStringLiteral(" FROM ") +
                               Bracketed(table) + QStringLiteral(" WHERE rowid = ?"),
                           {key});
    return now.isEmpty() ? 0 : now[0][0].toLongLong();
}

RowConflict SqliteEngine::conflict(const QString& table, qint64 key, bool deleting)
{
    const qint64 now = basisNow(table, key);
    if (!now)
        return RowConflict(RowConflict::Deleted, deleting);
    // Told of their change, the user means to replace it by saving again.
    m_bases.learn(VantorTableName(table), key, now);
    return RowConflict(RowConflict::Changed, deleting);
}

bool SqliteEngine::cascadeChanged(const QString& table, const std::vector<qint64>& keys)
{
    bool changed = false;
    for (const CascadeLink& link : CascadeLinks()) {
        if (keys.empty() || link.parent != table)
            continue;
        QStringList list;
        for (qint64 k : keys)
            list << QString::number(k);
        const Rows rows =
            query(QStringLiteral("SELECT rowid, ") + basisSql(link.child) + QStringLiteral(", ") +
                      Bracketed(link.field) + QStringLiteral(" FROM ") + Bracketed(link.child) +
                      QStringLiteral(" WHERE ") + Bracketed(link.field) + QStringLiteral(" IN (") +
                      list.join(',') + QLatin1Char(')'),
                  {});
        std::vector<qint64> children;
        for (const QVariantList& row : rows) {
            const qint64 key = row[0].toLongLong();
            if (m_bases.changedSince(link.child, row[2].toLongLong(), key, row[1].toLongLong()))
                changed = true;
            children.push_back(key);
        }
        changed = cascadeChanged(link.child, children) || changed;
    }
    return changed;
}

void SqliteEngine::holdRead(const QString& table, qint64 key, bool hold)
{
    if (hold)
        m_bases.hold(VantorTableName(table), key);
    else
        m_bases.release(VantorTableName(table), key);
}

void SqliteEngine::lockForAdding(const QString&)
{
    if (!m_lockRefused.isEmpty())
        throw DbError(m_lockRefused);
}
