#include "core/engine/pg/PgEngine.h"

#include "core/engine/Cascade.h"
#include "core/engine/DbError.h"
#include "core/engine/pg/PgSchema.h"
#include "core/sql/FindIndex.h"

#include <algorithm>

namespace {
// Rows read in one statement while a long set is walked by code.
constexpr int kWalkBlockRows = 256;

KeyArray keyArray(const qint64* keys, int count)
{
    return KeyArray(keys, keys + count);
}
} // namespace

std::unique_ptr<PgEngine> PgEngine::open(const QString& uri, OpenMode mode)
{
    std::unique_ptr<PgEngine> e(new PgEngine(uri));
    e->m_link.connect();
    PreparePgDatabase(e->m_link, mode == OpenMode::CreateIfNew);
    return e;
}

const PgTable& PgEngine::table(const QString& name) const
{
    const PgTable* t = FindPgTable(name);
    if (!t)
        throw DbError(QStringLiteral("The table %1 is not one of Vantor's.").arg(name));
    return *t;
}

QByteArray PgEngine::column(const PgTable& t, const QString& field) const
{
    for (size_t i = 0; i < t.columns.size(); ++i) {
        if (t.columns[i].compare(field, Qt::CaseInsensitive) == 0)
            return quoted(t.names[i]);
    }
    throw DbError(QStringLiteral("Item cannot be found: %1").arg(field));
}

QByteArray PgEngine::columnList(const PgTable& t, const QStringList& fields) const
{
    QByteArray list;
    for (const QString& f : fields)
        list += ", " + column(t, f);
    return list;
}

PgResult PgEngine::exec(const PgStatement& statement)
{
    try {
        if (m_inTransaction && !m_begun) {
            m_link.command(m_snapshot ? "BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"
                                      : "BEGIN");
            m_begun = true;
        }
        return m_link.exec(statement.sql, statement.params, m_inTransaction);
    } catch (const DbError& e) {
        if (!m_inTransaction)
            throw;
        // "current transaction is aborted": the failure that did it says more.
        if (m_link.lastState() == "25P02" && !m_failedBy.isEmpty())
            throw DbError(m_failedBy);
        if (m_failedBy.isEmpty())
            m_failedBy = e.text();
        throw;
    }
}

PgStatement PgEngine::setSelect(const PgTable& t, const QByteArray& list, const QString& where,
                                const FindPlan* plan, const KeyRange* range) const
{
    PgStatement s;
    if (!where.isEmpty())
        s = TranslateSql(where, {}, &t, 1, true);
    if (plan)
        narrowSearch(s, *plan);
    if (range) {
        s.params << range->after;
        const QByteArray above = quoted(t.key()) + " > $" + QByteArray::number(s.params.size());
        s.sql = s.sql.isEmpty() ? above : '(' + s.sql + ") AND " + above;
    }
    // The fields of the LIKEs left to the program come last.
    QByteArray fields = list;
    for (const PgClientLike& like : s.clientLikes)
        fields += ", " + quoted(like.column);
    s.sql = "SELECT " + quoted(t.key()) + fields + " FROM " + quoted(t.table) +
            (s.sql.isEmpty() ? QByteArray() : " WHERE " + s.sql) + " ORDER BY " + quoted(t.key());
    if (range && range->limit >= 0)
        s.sql += " LIMIT " + QByteArray::number(range->limit);
    return s;
}

PgStatement PgEngine::searchSelect(const PgTable& t, const QByteArray& list, const QString& where,
                                   const KeyRange* range)
{
    const std::optional<FindPlan> plan = PlanFind(t.name, where);
    if (plan && searchIndexCurrent())
        return setSelect(t, list, plan->checkedWhere(), &*plan, range);
    return setSelect(t, list, where, nullptr, range);
}

const std::vector<QString>& PgEngine::columns(const QString& name)
{
    return table(name).columns;
}

template <typename Take>
void PgEngine::readKeyed(const QByteArray& select, const qint64* keys, int count, Take&& take)
{
    if (count <= 0)
        return;
    const PgResult r = exec({select, {QVariant::fromValue(keyArray(keys, count))}});
    // Both in key order: one pass pairs them, and a key without a row is passed over.
    int i = 0;
    for (int row = 0; row < r.rows() && i < count; ++row) {
        const qint64 key = r.integer(row, 0);
        while (i < count && keys[i] < key)
            ++i;
        if (i < count && keys[i] == key)
            take(i++, r, row);
    }
}

void PgEngine::readRows(const QString& name, const qint64* keys, int count, QVariant* values,
                        char* present)
{
    const PgTable& t = table(name);
    const size_t columns = t.columns.size();
    QByteArray list = ", row_version";
    for (const QByteArray& c : t.names)
        list += ", " + quoted(c);
    const QByteArray select = "SELECT " + quoted(t.key()) + list + " FROM " + quoted(t.table) +
                              " WHERE " + quoted(t.key()) + " = ANY($1) ORDER BY " +
                              quoted(t.key());
    readKeyed(select, keys, count, [&](int i, const PgResult& r, int row) {
        QVariant* out = values + size_t(i) * columns;
        for (size_t c = 0; c < columns; ++c)
            out[c] = r.value(row, int(c) + 2);
        present[i] = 1;
        // Shown now, so a save of this row must find it as it is now.
        m_bases.read(t.name, keys[i], r.integer(row, 1));
    });
}

std::vector<qint64> PgEngine::keys(const QString& name, const QString& where)
{
    return scanFields(name, where, {}, [](const QVariant*) {});
}

std::vector<qint64> PgEngine::scanFields(const QString& name, const QString& where,
                                         const QStringList& fields, const FieldsSink& row)
{
    const PgTable& t = table(name);
    // A list's lines carry their rows' versions, so that a delete from the list is checked;
    // a set of keys alone comes from the index.
    const bool versioned = !fields.isEmpty();
    const QByteArray columns =
        (versioned ? QByteArray(", row_version") : QByteArray()) + columnList(t, fields);
    const PgStatement s = searchSelect(t, columns, where);
    const PgResult r = exec(s);
    std::vector<qint64> out = scanSelect(t, s, r, versioned, int(fields.size()), row);
    m_bases.listed(t.name, where, out);
    return out;
}

Engine::KeyPart PgEngine::keysAfter(const QString& name, const QString& where, qint64 after,
                                    int limit)
{
    const PgTable& t = table(name);
    if (limit >= 0) {
        if (std::optional<KeyPart> part = walkPart(t, where, after, limit))
            return *part;
    }
    const KeyRange range{after, limit};
    const PgStatement s = searchSelect(t, {}, where, &range);
    const PgResult r = exec(s);
    KeyPart part;
    part.keys = scanSelect(t, s, r, false, 0, [](const QVariant*) {});
    // A row the program's own check left out still counts: the next part starts after it.
    part.next = r.rows() > 0 ? r.integer(r.rows() - 1, 0) : after;
    part.done = limit < 0 || r.rows() < limit;
    return part;
}

std::optional<Engine::KeyPart> PgEngine::walkPart(const PgTable& t, const QString& where,
                                                  qint64 after, int limit)
{
    // The title's next rows in key order, each checked as it is reached: the first rows of a
    // search are found after a few rows whatever the server's statistics say, where its own
    // plan may read every row the index gives first.
    const std::optional<FindPlan> plan = PlanFind(t.name, where);
    if (!plan || !TranslateSql(where, {}, &t, 1, true).clientLikes.empty())
        return std::nullopt;
    PgStatement s = TranslateSql(where, {}, &t);
    QByteArray bound;
    if (!plan->rest.isEmpty()) {
        const PgStatement rest = TranslateSql(plan->rest.join(QStringLiteral(" AND ")), {}, &t,
                                              int(s.params.size()) + 1);
        bound = '(' + rest.sql + ") AND ";
        s.params += rest.params;
    }
    s.params << after;
    s.sql = "SELECT " + quoted(t.key()) + ", CASE WHEN " + s.sql + " THEN 1 ELSE 0 END FROM " +
            quoted(t.table) + " WHERE " + bound + quoted(t.key()) + " > $" +
            QByteArray::number(s.params.size()) + " ORDER BY " + quoted(t.key()) + " LIMIT " +
            QByteArray::number(limit);
    const PgResult r = exec(s);
    KeyPart part;
    for (int i = 0; i < r.rows(); ++i) {
        if (r.integer(i, 1) != 0)
            part.keys.push_back(r.integer(i, 0));
    }
    part.next = r.rows() > 0 ? r.integer(r.rows() - 1, 0) : after;
    part.done = r.rows() < limit;
    return part;
}

std::vector<qint64> PgEngine::scanSelect(const PgTable& t, const PgStatement& s, const PgResult& r,
                                         bool versioned, int fields, const FieldsSink& row)
{
    const int first = versioned ? 2 : 1;
    std::vector<qint64> out;
    out.reserve(size_t(r.rows()));
    const size_t liked = s.clientLikes.size();
    std::vector<QVariant> values(size_t(fields) + liked);
    for (int i = 0; i < r.rows(); ++i) {
        for (size_t f = 0; f < values.size(); ++f)
            values[f] = r.value(i, int(f) + first);
        if (liked && !MeetsClientLikes(s.clientLikes, values.data() + fields))
            continue;
        const qint64 key = r.integer(i, 0);
        if (versioned)
            m_bases.read(t.name, key, r.integer(i, 1));
        out.push_back(key);
        row(values.data());
    }
    return out;
}

void PgEngine::readFields(const QString& name, const QStringList& fields, const qint64* keys,
                          int count, const KeyedFieldsSink& row)
{
    const PgTable& t = table(name);
    const QByteArray select = "SELECT " + quoted(t.key()) + columnList(t, fields) + " FROM " +
                              quoted(t.table) + " WHERE " + quoted(t.key()) +
                              " = ANY($1) ORDER BY " + quoted(t.key());
    std::vector<QVariant> values(size_t(fields.size()));
    for (int start = 0; start < count; start += kWalkBlockRows) {
        readKeyed(select, keys + start, std::min(kWalkBlockRows, count - start),
                  [&](int i, const PgResult& r, int at) {
                      for (size_t f = 0; f < values.size(); ++f)
                          values[f] = r.value(at, int(f) + 1);
                      row(start + i, values.data());
                  });
    }
}

std::vector<qint64> PgEngine::keysWhereEqual(const QString& name, const QString& field,
                                             const QVariant& value)
{
    const PgTable& t = table(name);
    const PgResult r = exec({"SELECT " + quoted(t.key()) + " FROM " + quoted(t.table) + " WHERE " +
                                 column(t, field) + " = $1",
                             {value}});
    std::vector<qint64> out(size_t(r.rows()));
    for (int i = 0; i < r.rows(); ++i)
        out[size_t(i)] = r.integer(i, 0);
    return out;
}

qint64 PgEngine::insert(const QString& name, const QStringList& fields, const QVariantList& values)
{
    const PgTable& t = table(name);
    QByteArray sql = "INSERT INTO " + quoted(t.table);
    if (fields.isEmpty()) {
        sql += " DEFAULT VALUES";
    } else {
        QByteArray marks;
        for (int i = 1; i <= fields.size(); ++i)
            marks += (i > 1 ? ", $" : "$") + QByteArray::number(i);
        sql += " (" + columnList(t, fields).mid(2) + ") VALUES (" + marks + ")";
    }
    const PgResult r = exec({sql + " RETURNING " + quoted(t.key()) + ", row_version", values});
    // A trigger on the server may drop the row without an error.
    if (r.rows() == 0)
        throw DbError(QStringLiteral("The server did not store the new record: a trigger on the "
                                     "table \"%1\" left it out.")
                          .arg(QString::fromUtf8(t.table)));
    const qint64 key = r.integer(0, 0);
    m_bases.wrote(t.name, key, r.integer(0, 1));
    m_bases.added(t.name, fields, values, key);
    return key;
}

void PgEngine::update(const QString& name, qint64 key, const QStringList& fields,
                      const QVariantList& values)
{
    const PgTable& t = table(name);
    if (fields.isEmpty())
        return;
    QByteArray sets;
    int n = 0;
    for (const QString& f : fields) {
        sets += (n ? ", " : "") + column(t, f) + " = $" + QByteArray::number(n + 1);
        ++n;
    }
    QVariantList params = values;
    QByteArray sql = "UPDATE " + quoted(t.table) + " SET " + sets + " WHERE " + quoted(t.key()) +
                     " = $" + QByteArray::number(++n);
    params << key;
    // A row this engine never gave out cannot have been shown, so there is nothing to compare.
    if (const qint64 version = m_bases.of(t.name, key)) {
        sql += " AND row_version = $" + QByteArray::number(++n);
        params << version;
    }
    const PgResult r = exec({sql + " RETURNING row_version", params});
    if (r.rows() == 0)
        throw conflict(t, key, false);
    m_bases.wrote(t.name, key, r.integer(0, 0));
}

void PgEngine::remove(const QString& name, qint64 key)
{
    const PgTable& t = table(name);
    QByteArray sql = "DELETE FROM " + quoted(t.table) + " WHERE " + quoted(t.key()) + " = $1";
    QVariantList params{key};
    if (const qint64 version = m_bases.of(t.name, key)) {
        sql += " AND row_version = $2";
        params << version;
    }
    // Someone adding a child holds a share lock on this row until they commit: locking the row
    // first waits for them, so that the check sees every row the delete will take with it.
    if (IsParentTable(t.name))
        exec({"SELECT 1 FROM " + quoted(t.table) + " WHERE " + quoted(t.key()) + " = $1 FOR UPDATE",
              {key}});
    if (cascadeChanged(t, {key}))
        throw RowConflict(RowConflict::Changed, true);
    const PgResult r = exec({sql + " RETURNING 1", params});
    if (r.rows() == 0)
        throw conflict(t, key, true);
}

void PgEngine::begin()
{
    // Where a command starts, a server that went away and came back is found and reached
    // again, and one known to be away refuses the command before anything is typed in vain.
    // The transaction itself starts with the command's first statement: a move within the rows
    // already read costs no round trip.
    m_link.ensureOpen();
    m_inTransaction = true;
    m_begun = false;
    m_snapshot = false;
    m_failedBy.clear();
    m_bases.begin();
}

void PgEngine::beginSnapshot()
{
    begin();
    m_snapshot = true;
}

void PgEngine::commit()
{
    if (!m_inTransaction)
        return;
    if (!m_begun) {
        m_inTransaction = false;
        m_bases.commit();
        return;
    }
    QByteArray tag;
    try {
        tag = m_link.command("COMMIT");
    } catch (const DbError& e) {
        if (!m_link.lost())
            throw;
        throw DbError(
            QStringLiteral("The connection to the database server was lost while the changes "
                           "were being saved, so Vantor cannot tell whether they were. What "
                           "you typed stays: look at the record again once the server is back. "
                           "(%1)")
                .arg(e.text()));
    }
    // The server ends a transaction that had failed with a rollback, not with an error.
    if (tag == "ROLLBACK") {
        m_inTransaction = false;
        throw DbError(m_failedBy.isEmpty() ? QStringLiteral("The changes could not be saved.")
                                           : m_failedBy);
    }
    m_inTransaction = false;
    m_bases.commit();
}

void PgEngine::rollback()
{
    if (m_inTransaction && m_begun && !m_link.lost()) {
        try {
            m_link.command("ROLLBACK");
        } catch (const DbError&) {
            // The connection went with it; so did the transaction.
        }
    }
    m_inTransaction = false;
    m_bases.rollback();
}

Engine::Rows PgEngine::query(const QString& sql, const QVariantList& values)
{
    const PgResult r = exec(TranslateSql(sql, values));
    Rows rows;
    rows.reserve(r.rows());
    for (int i = 0; i < r.rows(); ++i) {
        QVariantList row;
        row.reserve(r.columns());
        for (int c = 0; c < r.columns(); ++c)
            row << r.value(i, c);
        rows << row;
    }
    return rows;
}

void PgEngine::keysWritten(const QString& name)
{
    const PgTable& t = table(name);
    exec({"SELECT setval(pg_get_serial_sequence('" + t.table + "', '" + t.key() +
              "'), coalesce(max(" + quoted(t.key()) + "), 0) + 1, false) FROM " + quoted(t.table),
          {}});
}

void PgEngine::settle()
{
    // The planner's figures for tables just filled, and the map of pages whose rows everyone
    // sees, without which the keys of a set cannot come from the index alone.
    for (const PgTable& t : PgTables())
        m_link.command(("VACUUM ANALYZE " + quoted(t.table)).constData(), PgLink::Wait::Unbounded);
}

QSqlQuery PgEngine::run(const QString&, const QVariantList&)
{
    throw DbError(QStringLiteral("This statement needs a database file; the database is on a "
                                 "server."));
}

QSqlDatabase PgEngine::db() const
{
    throw DbError(QStringLiteral("This needs a database file; the database is on a server."));
}
