#include "core/engine/RowBases.h"

void RowBases::set(const QString& table, qint64 key, qint64 basis)
{
    qint64& slot = m_bases[table][key];
    if (m_inTransaction && slot != basis)
        m_replaced.push_back({table, key, slot});
    slot = basis;
}

void RowBases::read(const QString& table, qint64 key, qint64 basis)
{
    const auto held = m_holds.constFind(table);
    if (held != m_holds.constEnd() && held->contains(key) && of(table, key) != 0)
        return;
    set(table, key, basis);
}

void RowBases::wrote(const QString& table, qint64 key, qint64 basis)
{
    set(table, key, basis);
}

void RowBases::learn(const QString& table, qint64 key, qint64 basis)
{
    m_bases[table][key] = basis;
}

qint64 RowBases::of(const QString& table, qint64 key) const
{
    const auto t = m_bases.constFind(table);
    return t == m_bases.constEnd() ? 0 : t->value(key, 0);
}

void RowBases::hold(const QString& table, qint64 key)
{
    ++m_holds[table][key];
}

void RowBases::release(const QString& table, qint64 key)
{
    auto t = m_holds.find(table);
    if (t == m_holds.end())
        return;
    auto it = t->find(key);
    if (it != t->end() && --it.value() <= 0)
        t->erase(it);
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
        auto& bases = m_bases[it->table];
        if (it->basis)
            bases[it->key] = it->basis;
        else
            bases.remove(it->key);
    }
    m_replaced.clear();
}
