// The edits of a record source: set values, new rows, saves and deletes, the bound boxes, and
// the typing that comes back when the command that saved it is rolled back.
#include "core/data/BoundField.h"
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"

#include <algorithm>

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

void RecordSource::dropEdit()
{
    m_state = EditState::None;
    m_pending.clear();
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
    QStringList fields;
    QVariantList values;
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        fields << m_fieldNames.value(it.key(), it.key());
        values << it.value();
    }
    qint64 key = -1;
    if (m_state == EditState::Adding) {
        // The new row goes after every row of the set, not after the part read so far.
        readAllKeys();
        key = engine().insert(m_table, fields, values);
        m_keys.push_back(key);
        m_pos = int(m_keys.size()) - 1;
    } else {
        key = currentKey();
        if (!updateCurrent(fields, values))
            return;
        rememberWritten(key);
    }
    afterWrite(key);
}

bool RecordSource::updateCurrent(const QStringList& fields, const QVariantList& values)
{
    const qint64 key = currentKey();
    if (key >= 0 && key == m_goneKey) {
        // The user was told the row is gone; moving on leaves the typing behind.
        m_goneKey = -1;
        releaseRead(key);
        dropEdit();
        for (const Binding& b : m_bindings)
            b.box->setBoundModified(false);
        return false;
    }
    try {
        engine().update(m_table, key, fields, values);
    } catch (const RowConflict& e) {
        if (e.deleted())
            m_goneKey = key;
        throw;
    }
    return true;
}

void RecordSource::rememberWritten(qint64 key)
{
    if (!m_connection->inTransaction())
        return;
    auto& written = m_writtenInTransaction[key];
    for (const Binding& b : m_bindings) {
        auto it = m_pending.find(b.field.toLower());
        if (it != m_pending.end())
            written.insert(b.field.toLower(), it.value());
    }
}

void RecordSource::afterWrite(qint64 key)
{
    dropEdit();
    m_unsaved.remove(key);
    releaseRead(key);
    m_rows.forget();
    for (const Binding& b : m_bindings)
        b.box->setBoundModified(false);
}

void RecordSource::CancelUpdate()
{
    if (m_state == EditState::None)
        return;
    releaseRead(currentKey());
    dropEdit();
    m_pos = std::clamp(m_pos, -1, int(m_keys.size()));
    setPosition(m_pos);
}

void RecordSource::Delete()
{
    ensureConnection();
    if (m_state == EditState::Adding) {
        dropEdit();
        setPosition(m_pos);
        return;
    }
    const qint64 key = currentKey();
    if (key < 0)
        throw DbError(QStringLiteral("There is no current record."));
    engine().remove(m_table, key);
    m_keys.erase(m_keys.begin() + m_pos);
    afterWrite(key);
    setPosition(m_pos);
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
    // The rows are read again below: typing not yet saved keeps the row it was typed over.
    if (key >= 0 && hasPendingEdit())
        holdRead(key);
    for (auto it = m_unsaved.cbegin(); it != m_unsaved.cend(); ++it)
        holdRead(it.key());
    try {
        runKeys();
    } catch (const DbError&) {
        return;
    }
    if (adding)
        return;
    if (key >= 0 && key == m_goneKey) {
        // Read again, the set no longer holds the row: it stays, unreadable, where it was.
        auto at = std::lower_bound(m_keys.begin(), m_keys.end(), key);
        if (at == m_keys.end() || *at != key)
            m_keys.insert(at, key);
    }
    standOn(key);
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

void RecordSource::standOn(qint64 key)
{
    auto found = std::find(m_keys.begin(), m_keys.end(), key);
    if (key >= 0 && found != m_keys.end())
        m_pos = int(found - m_keys.begin());
    else
        m_pos = std::clamp(m_pos, 0, int(m_keys.size()));
}

void RecordSource::holdRead(qint64 key)
{
    if (key < 0 || m_held.contains(key))
        return;
    engine().holdRead(m_table, key, true);
    m_held.insert(key);
}

void RecordSource::releaseRead(qint64 key)
{
    if (m_held.remove(key))
        engine().holdRead(m_table, key, false);
}
