#include "core/data/RecordSource.h"

#include "core/data/BoundField.h"
#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/sql/Criteria.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>

namespace {
// Rows read at a time while a set is walked by code, and while the user moves through it: a
// press of First or Last reads only a few of the long problem texts it will not show.
constexpr int kBlockRows = 128;
constexpr int kMoveBlockRows = 16;

QVariant storable(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date().toString(Qt::ISODate);
    return v;
}

QString bracketed(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

DbError statementError(sqlite3* db)
{
    return DbError(QString::fromUtf8(sqlite3_errmsg(db)));
}

// A column's value as the Qt driver gives it, so that reading through here changes nothing
// for the callers: integers as 64-bit, text as QString, NULL as a null text.
QVariant columnValue(sqlite3_stmt* s, int i)
{
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(s, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, i));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)),
                                   sqlite3_column_bytes(s, i)));
    default:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                                          sqlite3_column_bytes(s, i)));
    }
}

// Finalizes on every way out.
struct Prepared {
    sqlite3* db;
    sqlite3_stmt* stmt = nullptr;
    Prepared(sqlite3* d, const QString& sql) : db(d)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(stmt);
            throw statementError(db);
        }
    }
    ~Prepared() { sqlite3_finalize(stmt); }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
};
// Reads the rows of keys[start, end) with `range` (rowid between two bounds) when the keys lie
// close together, as in a title's full set, otherwise with `one` (a single rowid) for each, as
// after a search. take(i, statement) is called for each row found, in key order.
template <typename Take>
void readRows(sqlite3* db, sqlite3_stmt* range, sqlite3_stmt* one, const std::vector<qint64>& keys,
              int start, int end, Take&& take)
{
    auto fail = [db](sqlite3_stmt* st) {
        DbError e = statementError(db);
        sqlite3_reset(st);
        return e;
    };
    const qint64 first = keys[size_t(start)];
    const qint64 last = keys[size_t(end - 1)];
    if (last - first < qint64(end - start) * 2) {
        sqlite3_bind_int64(range, 1, first);
        sqlite3_bind_int64(range, 2, last);
        int i = start;
        int rc = SQLITE_DONE;
        while (i < end && (rc = sqlite3_step(range)) == SQLITE_ROW) {
            const qint64 key = sqlite3_column_int64(range, 0);
            while (i < end && keys[size_t(i)] < key)
                ++i;
            if (i < end && keys[size_t(i)] == key)
                take(i++, range);
        }
        if (i < end && rc != SQLITE_DONE)
            throw fail(range);
        sqlite3_reset(range);
    } else {
        for (int i = start; i < end; ++i) {
            sqlite3_bind_int64(one, 1, keys[size_t(i)]);
            const int rc = sqlite3_step(one);
            if (rc == SQLITE_ROW)
                take(i, one);
            else if (rc != SQLITE_DONE)
                throw fail(one);
            sqlite3_reset(one);
        }
    }
}

// Outside a command's transaction every lookup would take and drop the file's lock; one read
// transaction for a block takes it once.
struct ReadScope {
    sqlite3* db;
    bool own;
    explicit ReadScope(sqlite3* d)
        : db(d), own(sqlite3_get_autocommit(d) &&
                     sqlite3_exec(d, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
    {
    }
    ~ReadScope()
    {
        if (own)
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;
};
} // namespace

struct RecordSource::RowReader {
    RowReader(sqlite3* db, const QString& table)
        : statement(db, QStringLiteral("SELECT rowid, * FROM ") + bracketed(table) +
                            QStringLiteral(" WHERE rowid = ?")),
          range(db, QStringLiteral("SELECT rowid, * FROM ") + bracketed(table) +
                        QStringLiteral(" WHERE rowid >= ? AND rowid <= ?")),
          table(table)
    {
        // Column 0 is the rowid; a field of that name is found after it.
        const int count = sqlite3_column_count(statement.stmt);
        for (int i = 1; i < count; ++i)
            columns.push_back(QString::fromUtf8(sqlite3_column_name(statement.stmt, i)));
    }
    Prepared statement;
    Prepared range;
    QString table;
    std::vector<QString> columns;
};

RecordSource::RecordSource(const QString& name, QObject* parent) : QObject(parent), m_name(name)
{
    setObjectName(name);
}

RecordSource::~RecordSource() = default;

void RecordSource::setConnectionString(const QString& text)
{
    auto c = Connection::shared(DataSourceOf(text));
    if (m_connection)
        disconnect(m_connection.get(), nullptr, this, nullptr);
    forgetRows();
    m_reader.reset();
    m_connection = std::move(c);
    m_connectionText = text;
    connect(m_connection.get(), &Connection::rolledBack, this, &RecordSource::onRolledBack);
    connect(m_connection.get(), &Connection::committed, this, &RecordSource::onCommitted);
}

void RecordSource::ensureConnection() const
{
    if (!m_connection)
        throw DbError(QStringLiteral("%1 is not connected to a database.").arg(m_name));
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
    if (m_table.isEmpty())
        throw DbError(QStringLiteral("%1 has no SQL text.").arg(m_name));
    QString sql = QStringLiteral("SELECT rowid FROM ") + bracketed(m_table);
    if (!m_where.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_where;
    sql += QStringLiteral(" ORDER BY rowid");
    // Sets run to a hundred thousand keys: read them straight from SQLite, not row by row
    // through QSqlQuery and QVariant.
    sqlite3* db = m_connection->handle();
    Prepared q(db, sql);
    std::vector<qint64> keys;
    int rc;
    while ((rc = sqlite3_step(q.stmt)) == SQLITE_ROW)
        keys.push_back(sqlite3_column_int64(q.stmt, 0));
    if (rc != SQLITE_DONE)
        throw statementError(db);
    adoptKeys(std::move(keys));
}

void RecordSource::adoptKeys(std::vector<qint64> keys)
{
    // A set read once and kept for long should not hold a quarter more memory than it needs.
    if (keys.capacity() > keys.size() + keys.size() / 4)
        keys.shrink_to_fit();
    m_keys.swap(keys);
    forgetRows();
}

void RecordSource::forgetRows()
{
    m_blockStart = -1;
    m_blockRows = 0;
    m_block.clear();
    m_blockPresent.clear();
}

void RecordSource::Refresh()
{
    SavePending();
    runKeys();
    m_state = EditState::None;
    m_pending.clear();
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
    forgetRows();
    m_state = EditState::None;
    m_pending.clear();
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
    m_pos = pos;
    if (m_walking)
        return;
    showBound();
    emit currentChanged();
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

void RecordSource::WalkFields(const QStringList& names,
                              const std::function<void(const QVariant*)>& row)
{
    SavePending();
    ensureConnection();
    const int count = int(m_keys.size());
    const int from = std::max(m_pos, 0);
    if (from < count) {
        const QString select = QStringLiteral("SELECT rowid") + selectList(names) +
                               QStringLiteral(" FROM ") + bracketed(m_table) +
                               QStringLiteral(" WHERE rowid ");
        sqlite3* db = m_connection->handle();
        const Prepared range(db, select + QStringLiteral(">= ? AND rowid <= ?"));
        const Prepared one(db, select + QStringLiteral("= ?"));
        const int fields = int(names.size());
        std::vector<QVariant> values(static_cast<size_t>(fields));
        for (int start = from; start < count; start += kBlockRows) {
            const int end = std::min(count, start + kBlockRows);
            int expected = start;
            auto missing = [&](int upTo) {
                // A row deleted behind the set's back has no fields at all.
                if (expected < upTo && fields > 0) {
                    m_pos = expected;
                    throw DbError(QStringLiteral("Item cannot be found: %1").arg(names.value(0)));
                }
            };
            const ReadScope scope(db);
            try {
                readRows(db, range.stmt, one.stmt, m_keys, start, end,
                         [&](int i, sqlite3_stmt* st) {
                             missing(i);
                             for (int f = 0; f < fields; ++f)
                                 values[size_t(f)] = columnValue(st, f + 1);
                             m_pos = i;
                             row(values.data());
                             expected = i + 1;
                         });
                missing(end);
            } catch (...) {
                setPosition(m_pos);
                throw;
            }
        }
    }
    setPosition(count);
}

QString RecordSource::selectList(const QStringList& names)
{
    if (!m_reader || m_reader->table != m_table)
        m_reader = std::make_unique<RowReader>(m_connection->handle(), m_table);
    // Each name as the table spells it: a field that is not there fails as Field does.
    QString list;
    for (const QString& name : names) {
        const auto& columns = m_reader->columns;
        auto it = std::find_if(columns.begin(), columns.end(), [&](const QString& c) {
            return c.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it == columns.end())
            throw DbError(QStringLiteral("Item cannot be found: %1").arg(name));
        list += QStringLiteral(", ") + bracketed(*it);
    }
    return list;
}

void RecordSource::RefreshFields(const QStringList& names,
                                 const std::function<void(const QVariant*)>& row)
{
    SavePending();
    ensureConnection();
    if (m_table.isEmpty())
        throw DbError(QStringLiteral("%1 has no SQL text.").arg(m_name));
    QString sql = QStringLiteral("SELECT rowid") + selectList(names) + QStringLiteral(" FROM ") +
                  bracketed(m_table);
    if (!m_where.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_where;
    sql += QStringLiteral(" ORDER BY rowid");
    sqlite3* db = m_connection->handle();
    std::vector<qint64> keys;
    {
        const Prepared q(db, sql);
        const int fields = int(names.size());
        std::vector<QVariant> values(static_cast<size_t>(fields));
        int rc;
        while ((rc = sqlite3_step(q.stmt)) == SQLITE_ROW) {
            keys.push_back(sqlite3_column_int64(q.stmt, 0));
            for (int f = 0; f < fields; ++f)
                values[size_t(f)] = columnValue(q.stmt, f + 1);
            row(values.data());
        }
        if (rc != SQLITE_DONE)
            throw statementError(db);
    }
    adoptKeys(std::move(keys));
    m_state = EditState::None;
    m_pending.clear();
    setPosition(int(m_keys.size()));
}

void RecordSource::MoveFirst()
{
    SavePending();
    setPosition(0);
}

void RecordSource::MoveLast()
{
    SavePending();
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

void RecordSource::loadBlock(int pos) const
{
    if (m_blockStart >= 0 && pos >= m_blockStart && pos < m_blockStart + m_blockRows)
        return;
    const int count = int(m_keys.size());
    const int rows = m_walking ? kBlockRows : kMoveBlockRows;
    // Walking backwards reads the rows before the position, otherwise those after it.
    int start = (m_blockStart >= 0 && pos < m_blockStart) ? std::max(0, pos - rows + 1) : pos;
    const int end = std::min(count, start + rows);
    if (!m_reader || m_reader->table != m_table)
        m_reader = std::make_unique<RowReader>(m_connection->handle(), m_table);
    sqlite3* db = m_connection->handle();
    const ReadScope scope(db);
    const size_t columns = m_reader->columns.size();
    std::vector<QVariant> values(size_t(end - start) * columns);
    std::vector<char> present(size_t(end - start), 0);
    readRows(db, m_reader->range.stmt, m_reader->statement.stmt, m_keys, start, end,
             [&](int i, sqlite3_stmt* st) {
                 QVariant* row = &values[size_t(i - start) * columns];
                 for (size_t c = 0; c < columns; ++c)
                     row[c] = columnValue(st, int(c) + 1);
                 present[size_t(i - start)] = 1;
             });
    m_block.swap(values);
    m_blockPresent.swap(present);
    m_blockStart = start;
    m_blockRows = end - start;
}

const QVariant* RecordSource::currentRow() const
{
    if (m_state == EditState::Adding || isBOF() || isEOF())
        return nullptr;
    loadBlock(m_pos);
    const size_t i = size_t(m_pos - m_blockStart);
    if (!m_blockPresent[i])
        return nullptr;
    return &m_block[i * m_reader->columns.size()];
}

QVariant RecordSource::Field(const QString& name) const
{
    // Lists read a few fields of every row of thousands: no lower-case copy of the name
    // unless there is a set value to look for, and the name as the table spells it first.
    if (!m_pending.isEmpty()) {
        auto it = m_pending.find(name.toLower());
        if (it != m_pending.end())
            return it.value();
    }
    if (m_state == EditState::Adding || isBOF() || isEOF())
        return {};
    const QVariant* row = currentRow();
    if (row) {
        const std::vector<QString>& columns = m_reader->columns;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i] == name)
                return row[i];
        }
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
                return row[i];
        }
    }
    // A row deleted behind the set's back has no fields at all.
    throw DbError(QStringLiteral("Item cannot be found: %1").arg(name));
}

void RecordSource::setField(const QString& name, const QVariant& value)
{
    if (m_state == EditState::None) {
        if (!hasCurrentRow())
            throw DbError(QStringLiteral("There is no current record."));
        m_state = EditState::Editing;
    }
    m_pending.insert(name.toLower(), value);
    m_fieldNames.insert(name.toLower(), name);
}

void RecordSource::AddNew()
{
    SavePending();
    m_state = EditState::Adding;
    m_pending.clear();
    showBound();
    emit currentChanged();
}

void RecordSource::collectBound()
{
    for (const Binding& b : m_bindings) {
        if (!b.box->isBoundModified())
            continue;
        if (m_state == EditState::None) {
            if (!hasCurrentRow())
                continue;
            m_state = EditState::Editing;
        }
        m_pending.insert(b.field.toLower(), b.box->boundText());
        m_fieldNames.insert(b.field.toLower(), b.field);
    }
}

void RecordSource::Update()
{
    ensureConnection();
    collectBound();
    if (m_state == EditState::None)
        return;
    QStringList columns;
    QVariantList values;
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        columns << bracketed(m_fieldNames.value(it.key(), it.key()));
        values << storable(it.value());
    }
    qint64 key = -1;
    if (m_state == EditState::Adding) {
        QString sql = QStringLiteral("INSERT INTO ") + bracketed(m_table);
        if (columns.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (int i = 0; i < columns.size(); ++i)
                marks << QStringLiteral("?");
            sql += QStringLiteral(" (") + columns.join(',') + QStringLiteral(") VALUES (") +
                   marks.join(',') + QLatin1Char(')');
        }
        QSqlQuery q = m_connection->write(sql, values);
        key = q.lastInsertId().toLongLong();
        m_keys.push_back(key);
        m_pos = int(m_keys.size()) - 1;
    } else {
        key = currentKey();
        QStringList sets;
        for (const QString& c : columns)
            sets << c + QStringLiteral(" = ?");
        values << key;
        m_connection->write(QStringLiteral("UPDATE ") + bracketed(m_table) +
                                QStringLiteral(" SET ") + sets.join(',') +
                                QStringLiteral(" WHERE rowid = ?"),
                            values);
        if (m_connection->inTransaction()) {
            auto& written = m_writtenInTransaction[key];
            for (const Binding& b : m_bindings) {
                auto it = m_pending.find(b.field.toLower());
                if (it != m_pending.end())
                    written.insert(b.field.toLower(), it.value());
            }
        }
    }
    m_state = EditState::None;
    m_pending.clear();
    m_unsaved.remove(key);
    forgetRows();
    for (const Binding& b : m_bindings)
        b.box->setBoundModified(false);
}

void RecordSource::CancelUpdate()
{
    if (m_state == EditState::None)
        return;
    m_state = EditState::None;
    m_pending.clear();
    m_pos = std::clamp(m_pos, -1, int(m_keys.size()));
    setPosition(m_pos);
}

void RecordSource::Delete()
{
    ensureConnection();
    if (m_state == EditState::Adding) {
        m_state = EditState::None;
        m_pending.clear();
        setPosition(m_pos);
        return;
    }
    const qint64 key = currentKey();
    if (key < 0)
        throw DbError(QStringLiteral("There is no current record."));
    m_connection->write(QStringLiteral("DELETE FROM ") + bracketed(m_table) +
                            QStringLiteral(" WHERE rowid = ?"),
                        {key});
    m_keys.erase(m_keys.begin() + m_pos);
    m_state = EditState::None;
    m_pending.clear();
    m_unsaved.remove(key);
    forgetRows();
    for (const Binding& b : m_bindings)
        b.box->setBoundModified(false);
    setPosition(m_pos);
}

bool RecordSource::Find(const QString& criterion)
{
    ensureConnection();
    const auto c = ParseCriterion(criterion);
    if (!c)
        throw DbError(QStringLiteral("The criterion is not understood: %1").arg(criterion));
    SavePending();
    QSqlQuery q = m_connection->run(QStringLiteral("SELECT rowid FROM ") + bracketed(m_table) +
                                        QStringLiteral(" WHERE ") + bracketed(c->field) +
                                        QStringLiteral(" = ?"),
                                    {c->value});
    QSet<qint64> matches;
    while (q.next())
        matches.insert(q.value(0).toLongLong());
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

void RecordSource::bind(BoundField* box, const QString& field)
{
    m_bindings.push_back({box, field});
    showBound();
}

bool RecordSource::hasPendingEdit() const
{
    if (m_state != EditState::None)
        return true;
    return std::any_of(m_bindings.begin(), m_bindings.end(),
                       [](const Binding& b) { return b.box->isBoundModified(); });
}

void RecordSource::SavePending()
{
    if (hasPendingEdit())
        Update();
}

void RecordSource::showBound()
{
    const bool current = hasCurrentRow();
    const qint64 key = currentKey();
    const auto unsaved = m_unsaved.find(key);
    for (const Binding& b : m_bindings) {
        if (!current) {
            b.box->showValue(QString(), false);
            b.box->setBoundEditable(false);
            continue;
        }
        const QString lower = b.field.toLower();
        if (unsaved != m_unsaved.end() && unsaved->contains(lower)) {
            b.box->showValue(unsaved->value(lower).toString(), true);
        } else {
            QVariant v;
            try {
                v = Field(b.field);
            } catch (const DbError&) {
                // A row that cannot be read shows empty; typing into it is still kept.
            }
            b.box->showValue(v.toString(), false);
        }
        b.box->setBoundEditable(true);
    }
}

void RecordSource::onCommitted()
{
    m_writtenInTransaction.clear();
}

void RecordSource::onRolledBack()
{
    // Typing whose save was undone is shown again when its row is current, and saved later.
    for (auto it = m_writtenInTransaction.begin(); it != m_writtenInTransaction.end(); ++it) {
        auto& target = m_unsaved[it.key()];
        for (auto f = it->begin(); f != it->end(); ++f)
            target.insert(f.key(), f.value());
    }
    m_writtenInTransaction.clear();
    if (m_table.isEmpty() || !m_connection)
        return;
    const qint64 key = currentKey();
    const bool adding = m_state == EditState::Adding;
    try {
        runKeys();
    } catch (const DbError&) {
        return;
    }
    if (adding)
        return;
    auto found = std::find(m_keys.begin(), m_keys.end(), key);
    if (key >= 0 && found != m_keys.end())
        m_pos = int(found - m_keys.begin());
    else
        m_pos = std::clamp(m_pos, 0, int(m_keys.size()));
    // Boxes still holding unsaved typing keep it.
    std::vector<std::pair<BoundField*, QString>> typed;
    for (const Binding& b : m_bindings) {
        if (b.box->isBoundModified())
            typed.emplace_back(b.box, b.box->boundText());
    }
    showBound();
    for (auto& [box, text] : typed)
        box->showValue(text, true);
    emit currentChanged();
}
