#include "data/RecordSource.h"

#include "data/BoundField.h"
#include "data/Connection.h"
#include "data/Criteria.h"
#include "data/DbError.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>

namespace {
// Rows read at a time while a set is walked.
constexpr int kBlockRows = 128;

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
} // namespace

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
    QSqlQuery q = m_connection->run(sql);
    std::vector<qint64> keys;
    while (q.next())
        keys.push_back(q.value(0).toLongLong());
    m_keys.swap(keys);
    m_blockStart = -1;
    m_block.clear();
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
    m_blockStart = -1;
    m_block.clear();
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
    if (m_blockStart >= 0 && pos >= m_blockStart && pos < m_blockStart + int(m_block.size()))
        return;
    const int count = int(m_keys.size());
    // Walking backwards reads the rows before the position, otherwise those after it.
    int start = (m_blockStart >= 0 && pos < m_blockStart) ? std::max(0, pos - kBlockRows + 1) : pos;
    const int end = std::min(count, start + kBlockRows);
    QString list;
    list.reserve((end - start) * 8);
    for (int i = start; i < end; ++i) {
        if (i > start)
            list += QLatin1Char(',');
        list += QString::number(m_keys[size_t(i)]);
    }
    QSqlQuery q = m_connection->run(QStringLiteral("SELECT rowid, * FROM ") + bracketed(m_table) +
                                    QStringLiteral(" WHERE rowid IN (") + list +
                                    QStringLiteral(") ORDER BY rowid"));
    std::vector<QSqlRecord> rows(size_t(end - start));
    // Keys are ascending, so the rows come back in the order of the keys.
    int i = start;
    while (q.next()) {
        const qint64 key = q.value(0).toLongLong();
        while (i < end && m_keys[size_t(i)] < key)
            ++i;
        if (i < end && m_keys[size_t(i)] == key)
            rows[size_t(i - start)] = q.record();
    }
    m_block.swap(rows);
    m_blockStart = start;
}

const QSqlRecord* RecordSource::currentRecord() const
{
    if (m_state == EditState::Adding || isBOF() || isEOF())
        return nullptr;
    loadBlock(m_pos);
    return &m_block[size_t(m_pos - m_blockStart)];
}

QVariant RecordSource::Field(const QString& name) const
{
    const QString lower = name.toLower();
    auto it = m_pending.find(lower);
    if (it != m_pending.end())
        return it.value();
    if (m_state == EditState::Adding)
        return {};
    const QSqlRecord* r = currentRecord();
    if (!r)
        return {};
    // Column 0 is the rowid; a field of that name is found after it.
    for (int i = 1; i < r->count(); ++i) {
        if (r->fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return r->value(i);
    }
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
    m_blockStart = -1;
    m_block.clear();
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
    m_blockStart = -1;
    m_block.clear();
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
