#include "core/engine/pg/PgEngine.h"

#include "core/engine/Cascade.h"
#include "core/engine/DbError.h"
#include "core/engine/pg/PgSchema.h"

std::unique_ptr<PgEngine> PgEngine::open(const QString& uri, OpenMode mode)
{
    std::unique_ptr<PgEngine> e(new PgEngine(uri));
    e->m_link.connect();
    PreparePgDatabase(e->m_link, mode == OpenMode::CreateIfNew);
    return e;
}

const PgTable& PgEngine::table(const QString& name) const
{
    const PgTable* t = FindPgTable(name);
    if (!t)
        throw DbError(QStringLiteral("The table %1 is not one of Vantor's.").arg(name));
    return *t;
}

QByteArray PgEngine::column(const PgTable& t, const QString& field) const
{
    for (size_t i = 0; i < t.columns.size(); ++i) {
        if (t.columns[i].compare(field, Qt::CaseInsensitive) == 0)
            return quoted(t.names[i]);
    }
    throw DbError(QStringLiteral("Item cannot be found: %1").arg(field));
}

QByteArray PgEngine::columnList(const PgTable& t, const QStringList& fields) const
{
    QByteArray list;
    for (const QString& f : fields)
        list += ", " + column(t, f);
    return list;
}

PgResult PgEngine::exec(const PgStatement& statement)
{
    try {
        if (m_inTransaction && !m_begun) {
            m_link.command(m_snapshot ? "BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"
                                      : "BEGIN");
            m_begun = true;
        }
        return m_link.exec(statement.sql, statement.params, m_inTransaction,
                           statement.planEachRun ? PgLink::Plan::EachRun : PgLink::Plan::Kept);
    } catch (const DbError& e) {
        if (!m_inTransaction)
            throw;
        // "current transaction is aborted": the failure that did it says more.
        if (m_link.lastState() == "25P02" && !m_failedBy.isEmpty())
            throw DbError(m_failedBy);
        if (m_failedBy.isEmpty())
            m_failedBy = e.text();
        throw;
    }
}

qint64 PgEngine::insert(const QString& name, const QStringList& fields, const QVariantList& values)
{
    const PgTable& t = table(name);
    QByteArray sql = "INSERT INTO " + quoted(t.table);
    if (fields.isEmpty()) {
        sql += " DEFAULT VALUES";
    } else {
        QByteArray marks;
        for (int i = 1; i <= fields.size(); ++i)
            marks += (i > 1 ? ", $" : "$") + QByteArray::number(i);
        sql += " (" + columnList(t, fields).mid(2) + ") VALUES (" + marks + ")";
    }
    const PgResult r = exec({sql + " RETURNING " + quoted(t.key()) + ", row_version", values});
    // A trigger on the server may drop the row without an error.
    if (r.rows() == 0)
        throw DbError(QStringLiteral("The server did not store the new record: a trigger on the "
                                     "table \"%1\" left it out.")
                          .arg(QString::fromUtf8(t.table)));
    const qint64 key = r.integer(0, 0);
    m_bases.wrote(t.name, key, r.integer(0, 1));
    m_bases.added(t.name, fields, values, key);
    return key;
}

void PgEngine::update(const QString& name, qint64 key, const QStringList& fields,
                      const QVariantList& values)
{
    const PgTable& t = table(name);
    if (fields.isEmpty())
        return;
    QByteArray sets;
    int n = 0;
    for (const QString& f : fields) {
        sets += (n ? ", " : "") + column(t, f) + " = $" + QByteArray::number(n + 1);
        ++n;
    }
    QVariantList params = values;
    QByteArray sql = "UPDATE " + quoted(t.table) + " SET " + sets + " WHERE " + quoted(t.key()) +
                     " = $" + QByteArray::number(++n);
    params << key;
    // A row this engine never gave out cannot have been shown, so there is nothing to compare.
    if (const qint64 version = m_bases.of(t.name, key)) {
        sql += " AND row_version = $" + QByteArray::number(++n);
        params << version;
    }
    const PgResult r = exec({sql + " RETURNING row_version", params});
    if (r.rows() == 0)
        throw conflict(t, key, false);
    m_bases.wrote(t.name, key, r.integer(0, 0));
}

void PgEngine::remove(const QString& name, qint64 key)
{
    const PgTable& t = table(name);
    QByteArray sql = "DELETE FROM " + quoted(t.table) + " WHERE " + quoted(t.key()) + " = $1";
    QVariantList params{key};
    if (const qint64 version = m_bases.of(t.name, key)) {
        sql += " AND row_version = $2";
        params << version;
    }
    // Someone adding a child holds a share lock on this row until they commit: locking the row
    // first waits for them, so that the check sees every row the delete will take with it.
    if (IsParentTable(t.name))
        exec({"SELECT 1 FROM " + quoted(t.table) + " WHERE " + quoted(t.key()) + " = $1 FOR UPDATE",
              {key}});
    if (cascadeChanged(t, {key}))
        throw RowConflict(RowConflict::Changed, true);
    const PgResult r = exec({sql + " RETURNING 1", params});
    if (r.rows() == 0)
        throw conflict(t, key, true);
}

void PgEngine::begin()
{
    // Where a command starts, a server that went away and came back is found and reached
    // again, and one known to be away refuses the command before anything is typed in vain.
    // The transaction itself starts with the command's first statement: a move within the rows
    // already read costs no round trip.
    m_link.ensureOpen();
    m_inTransaction = true;
    m_begun = false;
    m_snapshot = false;
    m_failedBy.clear();
    m_bases.begin();
}

void PgEngine::beginSnapshot()
{
    begin();
    m_snapshot = true;
}

void PgEngine::commit()
{
    if (!m_inTransaction)
        return;
    if (!m_begun) {
        m_inTransaction = false;
        m_bases.commit();
        return;
    }
    QByteArray tag;
    try {
        tag = m_link.command("COMMIT");
    } catch (const DbError& e) {
        if (!m_link.lost())
            throw;
        throw DbError(
            QStringLiteral("The connection to the database server was lost while the changes "
                           "were being saved, so Vantor cannot tell whether they were. What "
                           "you typed stays: look at the record again once the server is back. "
                           "(%1)")
                .arg(e.text()));
    }
    // The server ends a transaction that had failed with a rollback, not with an error.
    if (tag == "ROLLBACK") {
        m_inTransaction = false;
        throw DbError(m_failedBy.isEmpty() ? QStringLiteral("The changes could not be saved.")
                                           : m_failedBy);
    }
    m_inTransaction = false;
    m_bases.commit();
}

void PgEngine::rollback()
{
    if (m_inTransaction && m_begun && !m_link.lost()) {
        try {
            m_link.command("ROLLBACK");
        } catch (const DbError&) {
            // The connection went with it; so did the transaction.
        }
    }
    m_inTransaction = false;
    m_bases.rollback();
}

Engine::Rows PgEngine::query(const QString& sql, const QVariantList& values)
{
    const PgResult r = exec(TranslateSql(sql, values));
    Rows rows;
    rows.reserve(r.rows());
    for (int i = 0; i < r.rows(); ++i) {
        QVariantList row;
        row.reserve(r.columns());
        for (int c = 0; c < r.columns(); ++c)
            row << r.value(i, c);
        rows << row;
    }
    return rows;
}

void PgEngine::keysWritten(const QString& name)
{
    const PgTable& t = table(name);
    exec({"SELECT setval(pg_get_serial_sequence('" + t.table + "', '" + t.key() +
              "'), coalesce(max(" + quoted(t.key()) + "), 0) + 1, false) FROM " + quoted(t.table),
          {}});
}

void PgEngine::settle()
{
    // The planner's figures for tables just filled, and the map of pages whose rows everyone
    // sees, without which the keys of a set cannot come from the index alone.
    for (const PgTable& t : PgTables())
        m_link.command(("VACUUM ANALYZE " + quoted(t.table)).constData(), PgLink::Wait::Unbounded);
}

QSqlQuery PgEngine::run(const QString&, const QVariantList&)
{
    throw DbError(QStringLiteral("This statement needs a database file; the database is on a "
                                 "server."));
}

QSqlDatabase PgEngine::db() const
{
    throw DbError(QStringLiteral("This needs a database file; the database is on a server."));
}
