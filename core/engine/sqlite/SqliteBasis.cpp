// How the file engine tells that another program changed a row since it was read: the rows it
// gives out are remembered by a fingerprint of their values, and a save or delete names the
// fingerprint, which SQLite computes from the row as it is when the statement runs.
#include "core/engine/Cascade.h"
#include "core/engine/DbError.h"
#include "core/engine/sqlite/SqliteEngine.h"

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
