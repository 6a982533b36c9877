// The cursor of a record source: its SQL text, the keys of its set, the position in them and
// the reads of the current row and of whole walks. Edits and bound boxes are in
// RecordSourceEdit.cpp.
#include "core/data/RecordSource.h"

#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/sql/Criteria.h"
#include "core/sql/SqlText.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <limits>

namespace {
// Rows read at a time while a set is walked by code, and while the user moves through it: a
// press of First or Last reads only a few of the long problem texts it will not show.
constexpr int kBlockRows = 128;
constexpr int kMoveBlockRows = 16;
// A search's first part, and how many parts, eight times larger each, before the rest is
// read at once.
constexpr int kFirstKeys = 256;
constexpr int kKeyParts = 3;

DbError notFound(const QString& name)
{
    return DbError(QStringLiteral("Item cannot be found: %1").arg(name));
}
} // namespace

RecordSource::RecordSource(const QString& name, QObject* parent) : QObject(parent), m_name(name)
{
    setObjectName(name);
}

RecordSource::~RecordSource()
{
    for (qint64 key : std::as_const(m_held))
        engine().holdRead(m_table, key, false);
}

void RecordSource::setConnectionString(const QString& text)
{
    auto c = Connection::shared(DataSourceOf(text));
    if (m_connection)
        disconnect(m_connection.get(), nullptr, this, nullptr);
    m_connection = std::move(c);
    m_rows.setTable(&m_connection->engine(), m_table);
    m_connectionText = text;
    connect(m_connection.get(), &Connection::rolledBack, this, &RecordSource::onRolledBack);
    connect(m_connection.get(), &Connection::committed, this, &RecordSource::onCommitted);
}

void RecordSource::ensureConnection() const
{
    if (!m_connection)
        throw DbError(QStringLiteral("%1 is not connected to a database.").arg(m_name));
}

void RecordSource::ensureTable() const
{
    if (m_table.isEmpty())
        throw DbError(QStringLiteral("%1 has no SQL text.").arg(m_name));
}

Engine& RecordSource::engine() const
{
    return m_connection->engine();
}

void RecordSource::setRecordSource(const QString& sql)
{
    static const QRegularExpression form(
        QStringLiteral(
            R"(^\s*SELECT\s+\*\s+FROM\s+\[?([A-Za-z_][A-Za-z0-9_]*)\]?(?:\s+WHERE\s+(.*))?$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = form.match(sql);
    if (!m.hasMatch())
        throw DbError(QStringLiteral("The SQL text is not understood: %1").arg(sql));
    SavePending();
    m_sql = sql;
    m_table = m.captured(1);
    m_where = m.captured(2).trimmed();
}

void RecordSource::runKeys()
{
    ensureConnection();
    ensureTable();
    adoptKeys(engine().keys(m_table, m_where));
}

void RecordSource::adoptKeys(std::vector<qint64> keys)
{
    // A set read once and kept for long should not hold a quarter more memory than it needs.
    if (keys.capacity() > keys.size() + keys.size() / 4)
        keys.shrink_to_fit();
    m_keys.swap(keys);
    m_keysDone = true;
    m_rows.setTable(&engine(), m_table);
}

void RecordSource::runFirstKeys()
{
    ensureConnection();
    ensureTable();
    const Engine::KeyPart part =
        engine().keysAfter(m_table, m_where, std::numeric_limits<qint64>::min(), kFirstKeys);
    adoptKeys(part.keys);
    m_keysNext = part.next;
    m_keysDone = part.done;
    m_keyParts = 1;
}

void RecordSource::readMoreKeys(int limit)
{
    const Engine::KeyPart part = engine().keysAfter(m_table, m_where, m_keysNext, limit);
    m_keys.insert(m_keys.end(), part.keys.begin(), part.keys.end());
    m_keysNext = part.next;
    m_keysDone = part.done;
    ++m_keyParts;
}

void RecordSource::knowKeysTo(int pos)
{
    while (!m_keysDone && int(m_keys.size()) <= pos) {
        // Each part larger than the last; all that is left after a few parts, or when two
        // found no match (a search few rows meet, which an index answers faster than a walk).
        const bool rest = m_keyParts >= kKeyParts || (m_keyParts >= 2 && m_keys.empty());
        readMoreKeys(rest ? -1 : kFirstKeys << (3 * m_keyParts));
    }
}

void RecordSource::readAllKeys()
{
    if (!m_keysDone)
        readMoreKeys(-1);
}

int RecordSource::RecordCount()
{
    readAllKeys();
    return int(m_keys.size());
}

void RecordSource::Refresh()
{
    SavePending();
    if (Sql::IsSearch(m_where))
        runFirstKeys();
    else
        runKeys();
    dropEdit();
    setPosition(0);
}

void RecordSource::Requery()
{
    Refresh();
}

void RecordSource::Close()
{
    SavePending();
    m_keys.clear();
    m_keysDone = true;
    m_rows.forget();
    dropEdit();
    setPosition(0);
}

bool RecordSource::isBOF() const
{
    return m_keys.empty() || m_pos < 0;
}
bool RecordSource::isEOF() const
{
    return m_keys.empty() || m_pos >= int(m_keys.size());
}

bool RecordSource::hasCurrentRow() const
{
    return m_state == EditState::Adding || (!isBOF() && !isEOF());
}

qint64 RecordSource::currentKey() const
{
    if (m_state == EditState::Adding || isBOF() || isEOF())
        return -1;
    return m_keys[size_t(m_pos)];
}

void RecordSource::setPosition(int pos)
{
    knowKeysTo(pos);
    m_pos = pos;
    if (m_walking)
        return;
    showBound();
    emit currentChanged();
}

void RecordSource::MoveFirst()
{
    SavePending();
    setPosition(0);
}

void RecordSource::MoveLast()
{
    SavePending();
    readAllKeys();
    setPosition(m_keys.empty() ? 0 : int(m_keys.size()) - 1);
}

void RecordSource::MoveNext()
{
    SavePending();
    if (m_pos < int(m_keys.size()))
        setPosition(m_pos + 1);
}

void RecordSource::MovePrevious()
{
    SavePending();
    if (m_pos >= 0)
        setPosition(m_pos - 1);
}

void RecordSource::WalkToEnd(const std::function<void()>& row)
{
    SavePending();
    m_walking = true;
    try {
        while (!isEOF()) {
            row();
            MoveNext();
        }
    } catch (...) {
        m_walking = false;
        setPosition(m_pos);
        throw;
    }
    m_walking = false;
    setPosition(m_pos);
}

QStringList RecordSource::spelled(const QStringList& names) const
{
    // Each name as the table spells it: a field that is not there fails as Field does.
    const std::vector<QString>& columns = engine().columns(m_table);
    QStringList out;
    for (const QString& name : names) {
        const int c = ColumnIndex(columns, name);
        if (c < 0)
            throw notFound(name);
        out << columns[size_t(c)];
    }
    return out;
}

void RecordSource::WalkFields(const QStringList& names,
                              const std::function<void(const QVariant*)>& row)
{
    SavePending();
    ensureConnection();
    readAllKeys();
    const int count = int(m_keys.size());
    const int from = std::max(m_pos, 0);
    if (from < count)
        walkFieldsFrom(from, names, row);
    setPosition(count);
}

void RecordSource::walkFieldsFrom(int from, const QStringList& names,
                                  const std::function<void(const QVariant*)>& row)
{
    const QStringList fields = spelled(names);
    const int count = int(m_keys.size());
    int expected = from;
    auto missing = [&](int upTo) {
        // A row deleted behind the set's back has no fields at all.
        if (expected < upTo && !fields.isEmpty()) {
            m_pos = expected;
            throw notFound(names.value(0));
        }
    };
    try {
        engine().readFields(m_table, fields, m_keys.data() + from, count - from,
                            [&](int i, const QVariant* values) {
                                missing(from + i);
                                m_pos = from + i;
                                row(values);
                                expected = m_pos + 1;
                            });
        missing(count);
    } catch (...) {
        setPosition(m_pos);
        throw;
    }
}

void RecordSource::RefreshFields(const QStringList& names,
                                 const std::function<void(const QVariant*)>& row)
{
    SavePending();
    ensureConnection();
    ensureTable();
    adoptKeys(engine().scanFields(m_table, m_where, spelled(names), row));
    dropEdit();
    setPosition(int(m_keys.size()));
}

const QVariant* RecordSource::currentRow() const
{
    if (m_state == EditState::Adding || isBOF() || isEOF())
        return nullptr;
    return m_rows.row(m_keys, m_pos, m_walking ? kBlockRows : kMoveBlockRows);
}

QVariant RecordSource::Field(const QString& name) const
{
    // Lists read a few fields of every row of thousands: no lower-case copy of the name
    // unless there is a set value to look for.
    if (!m_pending.isEmpty()) {
        auto it = m_pending.find(name.toLower());
        if (it != m_pending.end())
            return it.value();
    }
    if (m_state == EditState::Adding || isBOF() || isEOF())
        return {};
    if (const QVariant* row = currentRow()) {
        const int c = m_rows.columnOf(name);
        if (c >= 0)
            return row[c];
    }
    // A row deleted behind the set's back has no fields at all.
    throw notFound(name);
}

bool RecordSource::Find(const QString& criterion)
{
    ensureConnection();
    const auto c = ParseCriterion(criterion);
    if (!c)
        throw DbError(QStringLiteral("The criterion is not understood: %1").arg(criterion));
    SavePending();
    readAllKeys();
    const std::vector<qint64> found = engine().keysWhereEqual(m_table, c->field, c->value);
    const QSet<qint64> matches(found.begin(), found.end());
    const int count = int(m_keys.size());
    for (int i = std::max(m_pos, 0); i < count; ++i) {
        if (matches.contains(m_keys[size_t(i)])) {
            setPosition(i);
            return true;
        }
    }
    setPosition(count);
    return false;
}
