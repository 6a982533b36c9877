#include "core/engine/RowBases.h"

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
