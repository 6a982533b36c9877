#include "core/engine/RowBases.h"

#include "core/engine/Cascade.h"

#include <algorithm>

void RowBases::set(Table& t, const QString& table, qint64 key, qint64 basis)
{
    qint64& slot = t.bases[key];
    if (m_inTransaction && slot != basis)
        m_replaced.push_back({table, key, slot});
    slot = basis;
}

void RowBases::read(const QString& table, qint64 key, qint64 basis)
{
    Table& t = m_tables[table];
    if (!t.holds.isEmpty() && t.holds.contains(key) && t.bases.value(key, 0) != 0)
        return;
    set(t, table, key, basis);
}

void RowBases::wrote(const QString& table, qint64 key, qint64 basis)
{
    set(m_tables[table], table, key, basis);
}

void RowBases::learn(const QString& table, qint64 key, qint64 basis)
{
    m_tables[table].bases[key] = basis;
}

qint64 RowBases::of(const QString& table, qint64 key) const
{
    const auto t = m_tables.constFind(table);
    return t == m_tables.constEnd() ? 0 : t->bases.value(key, 0);
}

void RowBases::hold(const QString& table, qint64 key)
{
    ++m_tables[table].holds[key];
}

void RowBases::release(const QString& table, qint64 key)
{
    auto t = m_tables.find(table);
    if (t == m_tables.end())
        return;
    auto it = t->holds.find(key);
    if (it != t->holds.end() && --it.value() <= 0)
        t->holds.erase(it);
}

void RowBases::begin()
{
    m_inTransaction = true;
    m_replaced.clear();
}

void RowBases::commit()
{
    m_inTransaction = false;
    m_replaced.clear();
}

void RowBases::rollback()
{
    m_inTransaction = false;
    for (auto it = m_replaced.rbegin(); it != m_replaced.rend(); ++it) {
        auto& bases = m_tables[it->table].bases;
        if (it->basis)
            bases[it->key] = it->basis;
        else
            bases.remove(it->key);
    }
    m_replaced.clear();
}

void RowBases::listed(const QString& table, const QString& where, const std::vector<qint64>& keys)
{
    if (const qint64 parent = ListedParent(table, where)) {
        std::vector<qint64>& children = m_children[VantorTableName(table)][parent];
        children = keys;
        if (!std::is_sorted(children.begin(), children.end()))
            std::sort(children.begin(), children.end());
    }
}

void RowBases::added(const QString& table, qint64 parent, qint64 key)
{
    auto t = m_children.find(VantorTableName(table));
    if (t == m_children.end())
        return;
    auto p = t->find(parent);
    if (p == t->end())
        return;
    const auto at = std::lower_bound(p->begin(), p->end(), key);
    if (at == p->end() || *at != key)
        p->insert(at, key);
}

void RowBases::added(const QString& table, const QStringList& fields, const QVariantList& values,
                     qint64 key)
{
    const QString child = VantorTableName(table);
    for (const CascadeLink& link : CascadeLinks()) {
        if (link.child != child)
            continue;
        for (qsizetype i = 0; i < fields.size() && i < values.size(); ++i) {
            if (fields[i].compare(link.field, Qt::CaseInsensitive) == 0)
                added(child, values[i].toLongLong(), key);
        }
    }
}

bool RowBases::addedSince(const QString& table, qint64 parent, qint64 key) const
{
    const auto t = m_children.constFind(VantorTableName(table));
    if (t == m_children.constEnd())
        return false;
    const auto p = t->constFind(parent);
    return p != t->constEnd() && !std::binary_search(p->begin(), p->end(), key);
}

bool RowBases::changedSince(const QString& table, qint64 parent, qint64 key, qint64 basis)
{
    const QString name = VantorTableName(table);
    const qint64 read = of(name, key);
    // A row never shown here was never read, so it cannot have changed since.
    const bool changed = read && read != basis;
    const bool addedSinceListed = addedSince(name, parent, key);
    if (changed || addedSinceListed) {
        learn(name, key, basis);
        added(name, parent, key);
    }
    return changed || addedSinceListed;
}
