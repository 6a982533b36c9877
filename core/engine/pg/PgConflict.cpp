// What makes the server engine safe for several people at once: the checks of a save or delete
// against the row versions read, the rows a delete takes with it, and the lock of an add.
#include "core/engine/Cascade.h"
#include "core/engine/DbError.h"
#include "core/engine/pg/PgEngine.h"
#include "core/engine/pg/PgSchema.h"

RowConflict PgEngine::conflict(const PgTable& t, qint64 key, bool deleting)
{
    const PgResult r =
        exec({"SELECT row_version FROM " + quoted(t.table) + " WHERE " + quoted(t.key()) + " = $1",
              {key}});
    if (r.rows() == 0)
        return RowConflict(RowConflict::Deleted, deleting);
    // The user has been told and still has the typing: a second save means it, and replaces
    // the version they were told of (not one made after it). This command changed nothing, so
    // its rollback keeps what was learnt.
    m_bases.learn(t.name, key, r.integer(0, 0));
    return RowConflict(RowConflict::Changed, deleting);
}

bool PgEngine::cascadeChanged(const PgTable& t, const std::vector<qint64>& keys)
{
    bool changed = false;
    for (const CascadeLink& link : CascadeLinks()) {
        if (keys.empty() || link.parent != t.name)
            continue;
        const PgTable& child = table(link.child);
        const QByteArray parent = column(child, link.field);
        const PgResult r = exec({"SELECT " + quoted(child.key()) + ", row_version, " + parent +
                                     " FROM " + quoted(child.table) + " WHERE " + parent +
                                     " = ANY($1) ORDER BY " + quoted(child.key()) + " FOR UPDATE",
                                 {QVariant::fromValue(KeyArray(keys.begin(), keys.end()))}});
        std::vector<qint64> childKeys;
        for (int i = 0; i < r.rows(); ++i) {
            const qint64 key = r.integer(i, 0);
            const qint64 version = r.integer(i, 1);
            if (m_bases.changedSince(child.name, r.integer(i, 2), key, version))
                changed = true;
            childKeys.push_back(key);
        }
        changed = cascadeChanged(child, childKeys) || changed;
    }
    return changed;
}

void PgEngine::holdRead(const QString& name, qint64 key, bool hold)
{
    const PgTable& t = table(name);
    if (hold)
        m_bases.hold(t.name, key);
    else
        m_bases.release(t.name, key);
}

void PgEngine::lockForAdding(const QString& name)
{
    const PgTable& t = table(name);
    // Concurrent inserts take ROW EXCLUSIVE, which this mode waits for and then keeps out: the
    // check that follows sees every row committed before it.
    exec({"LOCK TABLE " + quoted(t.table) + " IN SHARE ROW EXCLUSIVE MODE", {}});
}
