// The reads of the server engine: keys by WHERE text (whole, or a search's set in parts),
// rows and fields by key.
#include "core/engine/pg/PgEngine.h"

#include "core/engine/DbError.h"
#include "core/engine/pg/PgSchema.h"
#include "core/sql/FindIndex.h"

namespace {
// Rows read in one statement while a long set is walked by code.
constexpr int kWalkBlockRows = 256;

KeyArray keyArray(const qint64* keys, int count)
{
    return KeyArray(keys, keys + count);
}
} // namespace

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
    if (!plan || !searchIndexCurrent())
        return setSelect(t, list, where, nullptr, range);
    PgStatement s = setSelect(t, list, plan->checkedWhere(), &*plan, range);
    s.planEachRun = true;
    return s;
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
    if (!plan)
        return std::nullopt;
    PgStatement s = TranslateSql(where, {}, &t, 1, true);
    if (!s.clientLikes.empty())
        return std::nullopt;
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
