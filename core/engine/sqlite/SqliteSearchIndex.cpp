// The index Find narrows its search with on a database file: for each of the two texts an
// FTS5 table of the trigrams of its folded form, contentless (ProblemsFoldedProblem,
// ProblemsFoldedSolution), and the problems written since they were last folded
// (ProblemsFoldPending) with the texts the index holds for them. Plain triggers fill that
// list, so a write by any program works and is seen; the program folds the listed rows before
// it searches, and while it cannot (a read-only file, another program's lock) it searches as it
// did without an index.
#include "core/data/WorkProgress.h"
#include "core/engine/sqlite/SqliteEngine.h"
#include "core/sql/FindIndex.h"
#include "core/sql/Like.h"
#include "core/sql/SqlText.h"

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {
// Rows folded in one transaction while the index is filled.
constexpr int kFoldBlockRows = 2000;
// The most rows a search folds before it reads.
constexpr qint64 kFoldInSearchRows = 1000;
// The index lists its matches over every title; a title's own rows are scanned faster than
// that list is read up to about this many rows (measured: a title of 1,000 problems 3 ms by
// scan, 40 ms through the index; the benchmark's large title the other way round).
// VANTOR_FIND_SCAN_BELOW sets another bound (0: always the index, for tests).
qint64 scanBelow()
{
    bool ok = false;
    const int set = qEnvironmentVariableIntValue("VANTOR_FIND_SCAN_BELOW", &ok);
    return ok && set >= 0 ? set : 20000;
}

const char* const kFields[] = {"Problem", "Solution"};

// A listed row keeps the texts it had when it was first listed: those are what the index
// holds for it, and a contentless table forgets a row only when told its texts again.
const char* const kIndexObjects[] = {
    "CREATE VIRTUAL TABLE ProblemsFoldedProblem USING fts5(Problem, content = '',"
    " tokenize = 'trigram case_sensitive 1')",
    "CREATE VIRTUAL TABLE ProblemsFoldedSolution USING fts5(Solution, content = '',"
    " tokenize = 'trigram case_sensitive 1')",
    "CREATE TABLE ProblemsFoldPending (ProblemID INTEGER PRIMARY KEY, Indexed INTEGER NOT NULL,"
    " Problem, Solution)",
    "CREATE TABLE ProblemsFoldVersion (Fold TEXT)",
    "CREATE TRIGGER ProblemsFoldInsert AFTER INSERT ON Problems BEGIN"
    " INSERT OR IGNORE INTO ProblemsFoldPending VALUES (NEW.ProblemID, 0, NULL, NULL); END",
    "CREATE TRIGGER ProblemsFoldUpdate AFTER UPDATE OF ProblemID, Problem, Solution ON Problems"
    " BEGIN INSERT OR IGNORE INTO ProblemsFoldPending"
    " VALUES (OLD.ProblemID, 1, OLD.Problem, OLD.Solution);"
    " INSERT OR IGNORE INTO ProblemsFoldPending VALUES (NEW.ProblemID, 0, NULL, NULL); END",
    "CREATE TRIGGER ProblemsFoldDelete AFTER DELETE ON Problems BEGIN"
    " INSERT OR IGNORE INTO ProblemsFoldPending"
    " VALUES (OLD.ProblemID, 1, OLD.Problem, OLD.Solution); END",
    // Every row is folded once, after the rows were written: faster than row by row.
    "INSERT INTO ProblemsFoldPending SELECT ProblemID, 0, NULL, NULL FROM Problems",
};

const char kDropObjects[] = "DROP TRIGGER IF EXISTS ProblemsFoldInsert;"
                            "DROP TRIGGER IF EXISTS ProblemsFoldUpdate;"
                            "DROP TRIGGER IF EXISTS ProblemsFoldDelete;"
                            "DROP TABLE IF EXISTS ProblemsFoldedProblem;"
                            "DROP TABLE IF EXISTS ProblemsFoldedSolution;"
                            "DROP TABLE IF EXISTS ProblemsFoldPending;"
                            "DROP TABLE IF EXISTS ProblemsFoldVersion;";

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void execOrThrow(sqlite3* db, const char* sql)
{
    if (!exec(db, sql))
        throw StatementError(db);
}

qint64 countOf(sqlite3* db, const char* sql)
{
    const Statement q(db, QString::fromLatin1(sql));
    if (sqlite3_step(q.get()) != SQLITE_ROW)
        throw StatementError(db);
    return sqlite3_column_int64(q.get(), 0);
}

// A listed row: the texts the index holds for it (when indexed) and its texts now (when
// present), folded.
struct FoldedRow {
    qint64 key;
    bool indexed, present;
    QByteArray held[2], now[2]; // null for NULL
};

QByteArray foldedColumn(sqlite3_stmt* from, int column)
{
    if (sqlite3_column_type(from, column) == SQLITE_NULL)
        return {};
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(from, column));
    const QByteArray folded = FoldedText(text, sqlite3_column_bytes(from, column));
    // An empty text is a text, not a NULL.
    return folded.isNull() ? QByteArray("") : folded;
}

void bindText(sqlite3_stmt* st, int at, const QByteArray& text)
{
    if (text.isNull())
        sqlite3_bind_null(st, at);
    else
        sqlite3_bind_text(st, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void stepOnce(sqlite3* db, sqlite3_stmt* st)
{
    const StepScope reset(st);
    if (sqlite3_step(st) != SQLITE_DONE)
        throw StatementError(db);
}

// The FTS5 query for the runs of one field: each a phrase, all of them present; empty for
// none.
QString matchQuery(const FindPlan& plan, const char* field)
{
    QStringList terms;
    for (const IndexedLike& like : plan.likes) {
        if (like.field != QLatin1String(field))
            continue;
        for (QString run : like.runs)
            terms << QLatin1Char('"') + run.replace('"', "\"\"") + QLatin1Char('"');
    }
    return terms.join(QStringLiteral(" AND "));
}

// The keys of one field's table that hold the runs, named as key says.
QString matchSelect(const char* field, const QString& query, const char* key = "rowid")
{
    return QStringLiteral("SELECT %1 FROM ProblemsFolded%2 WHERE ProblemsFolded%2 MATCH %3")
        .arg(QLatin1String(key), QLatin1String(field), Sql::Quoted(query));
}

} // namespace

int SqliteEngine::searchIndexState()
{
    if (countOf(m_handle, "SELECT count(*) FROM sqlite_master WHERE name IN"
                          " ('ProblemsFoldedProblem', 'ProblemsFoldedSolution',"
                          " 'ProblemsFoldPending', 'ProblemsFoldVersion', 'ProblemsFoldInsert',"
                          " 'ProblemsFoldUpdate', 'ProblemsFoldDelete')") != 7)
        return 0;
    const Statement q(m_handle, QStringLiteral("SELECT Fold FROM ProblemsFoldVersion"));
    const bool same =
        sqlite3_step(q.get()) == SQLITE_ROW &&
        QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0))) == FoldVersion();
    return same ? 2 : 1;
}

int SqliteEngine::foldPending(int limit)
{
    // Read first, then written: the list changes as it is worked off.
    std::vector<FoldedRow> rows;
    {
        const Statement pending(
            m_handle,
            QStringLiteral("SELECT f.ProblemID, f.Indexed, p.ProblemID, f.Problem, f.Solution,"
                           " p.Problem, p.Solution FROM ProblemsFoldPending f LEFT JOIN Problems p"
                           " ON p.ProblemID = f.ProblemID ORDER BY f.ProblemID LIMIT %1")
                .arg(limit));
        sqlite3_stmt* st = pending.get();
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            rows.push_back({sqlite3_column_int64(st, 0),
                            sqlite3_column_int(st, 1) != 0,
                            sqlite3_column_type(st, 2) != SQLITE_NULL,
                            {foldedColumn(st, 3), foldedColumn(st, 4)},
                            {foldedColumn(st, 5), foldedColumn(st, 6)}});
        }
        if (rc != SQLITE_DONE)
            throw StatementError(m_handle);
    }
    for (int f = 0; f < 2; ++f) {
        const QString table = QStringLiteral("ProblemsFolded") + QLatin1String(kFields[f]);
        const Statement drop(m_handle, QStringLiteral("INSERT INTO %1 (%1, rowid, %2) VALUES "
                                                      "('delete', ?, ?)")
                                           .arg(table, QLatin1String(kFields[f])));
        const Statement add(m_handle, QStringLiteral("INSERT INTO %1 (rowid, %2) VALUES (?, ?)")
                                          .arg(table, QLatin1String(kFields[f])));
        for (const FoldedRow& row : rows) {
            if (row.indexed) {
                sqlite3_bind_int64(drop.get(), 1, row.key);
                bindText(drop.get(), 2, row.held[f]);
                stepOnce(m_handle, drop.get());
            }
            if (row.present) {
                sqlite3_bind_int64(add.get(), 1, row.key);
                bindText(add.get(), 2, row.now[f]);
                stepOnce(m_handle, add.get());
            }
        }
    }
    const Statement done(m_handle,
                         QStringLiteral("DELETE FROM ProblemsFoldPending WHERE ProblemID = ?"));
    for (const FoldedRow& row : rows) {
        sqlite3_bind_int64(done.get(), 1, row.key);
        stepOnce(m_handle, done.get());
    }
    return int(rows.size());
}

bool SqliteEngine::searchIndexCurrent()
{
    if (!m_lockRefused.isEmpty() || searchIndexState() != 2)
        return false;
    const qint64 pending = countOf(m_handle, "SELECT count(*) FROM (SELECT 1 FROM"
                                             " ProblemsFoldPending LIMIT 1001)");
    if (pending == 0)
        return true;
    // Many rows (a start-up's indexing stopped, a bulk write by another program) are folded
    // at the next start-up, with progress, not in a search.
    if (pending > kFoldInSearchRows)
        return false;
    // Folded inside the command, so that a rollback of it leaves the rows listed; refused
    // (a read-only file, say), the list stays as it was and the search reads every row.
    if (!exec(m_handle, "SAVEPOINT fold_pending"))
        return false;
    try {
        while (foldPending(kFoldBlockRows) > 0) {
        }
    } catch (const DbError&) {
        exec(m_handle, "ROLLBACK TO fold_pending");
        exec(m_handle, "RELEASE fold_pending");
        return false;
    }
    return exec(m_handle, "RELEASE fold_pending");
}

std::optional<FindPlan> SqliteEngine::searchPlan(const QString& table, const QString& where)
{
    std::optional<FindPlan> plan = PlanFind(table, where);
    if (plan && !searchIndexCurrent())
        plan.reset();
    if (plan && !plan->rest.isEmpty() && scanBelow() > 0) {
        const Rows counted = query(QStringLiteral("SELECT COUNT(*) FROM [Problems] WHERE ") +
                                       plan->rest.join(QStringLiteral(" AND ")),
                                   {});
        if (counted.value(0).value(0).toLongLong() < scanBelow())
            plan.reset();
    }
    return plan;
}

QString SqliteEngine::narrowedWhere(const FindPlan& plan) const
{
    QStringList conditions;
    if (const QString rest = plan.checkedWhere(); !rest.isEmpty())
        conditions << rest;
    for (const char* field : kFields) {
        if (const QString query = matchQuery(plan, field); !query.isEmpty())
            conditions << QStringLiteral("rowid IN (") + matchSelect(field, query) + ')';
    }
    return conditions.join(QStringLiteral(" AND "));
}

std::vector<qint64> SqliteEngine::indexedKeys(const FindPlan& plan, qint64 after)
{
    // Lists in key order merged: faster than SQLite's look-up of each of the index's rows in
    // the table, when most rows match.
    const QString above = QStringLiteral(" rowid > ") + QString::number(after);
    auto keysOf = [this](const QString& sql) {
        const Statement q(m_handle, sql + QStringLiteral(" ORDER BY rowid"));
        std::vector<qint64> keys;
        int rc;
        while ((rc = sqlite3_step(q.get())) == SQLITE_ROW)
            keys.push_back(sqlite3_column_int64(q.get(), 0));
        if (rc != SQLITE_DONE)
            throw StatementError(m_handle);
        return keys;
    };
    const QString rest = plan.checkedWhere();
    std::vector<qint64> keys = keysOf(QStringLiteral("SELECT rowid FROM [Problems] WHERE") +
                                      (rest.isEmpty() ? above : " (" + rest + ") AND" + above));
    for (const char* field : kFields) {
        const QString query = matchQuery(plan, field);
        if (query.isEmpty())
            continue;
        const std::vector<qint64> found = keysOf(matchSelect(field, query) + " AND" + above);
        std::vector<qint64> both;
        std::set_intersection(keys.begin(), keys.end(), found.begin(), found.end(),
                              std::back_inserter(both));
        keys.swap(both);
    }
    return keys;
}

QString SqliteEngine::indexedPartSelect(const FindPlan& plan, const QString& where, qint64 after,
                                        int limit) const
{
    // The index's matches of one text walked in key order, each row checked against the whole
    // condition: the first rows of a search are found without reading all its matches.
    const char* field = kFields[matchQuery(plan, kFields[0]).isEmpty() ? 1 : 0];
    return QStringLiteral("SELECT f.k FROM (%1 AND rowid > %2 ORDER BY rowid) AS f CROSS JOIN"
                          " [Problems] ON [Problems].rowid = f.k WHERE (%3) ORDER BY f.k LIMIT %4")
        .arg(matchSelect(field, matchQuery(plan, field), "rowid AS k"), QString::number(after),
             where, QString::number(limit));
}

bool SqliteEngine::createSearchIndex(bool replace)
{
    if (!exec(m_handle, "BEGIN IMMEDIATE"))
        return false;
    try {
        if (replace)
            execOrThrow(m_handle, kDropObjects);
        for (const char* sql : kIndexObjects)
            execOrThrow(m_handle, sql);
        const Statement stamp(m_handle,
                              QStringLiteral("INSERT INTO ProblemsFoldVersion VALUES (?)"));
        const QByteArray version = FoldVersion();
        sqlite3_bind_text(stamp.get(), 1, version.constData(), int(version.size()),
                          SQLITE_TRANSIENT);
        stepOnce(m_handle, stamp.get());
        execOrThrow(m_handle, "COMMIT");
        return true;
    } catch (const DbError&) {
        // A read-only file or one in use: the searches read every row, as before.
        exec(m_handle, "ROLLBACK");
        return false;
    }
}

QString SqliteEngine::prepareSearch(WorkProgress& progress)
{
    const int state = searchIndexState();
    if (state != 2 && !createSearchIndex(state == 1))
        return {};
    const qint64 total = countOf(m_handle, "SELECT count(*) FROM ProblemsFoldPending");
    progress.begin(QStringLiteral("Indexing the problems for Find"), total);
    for (qint64 done = 0; done < total;) {
        if (!exec(m_handle, "BEGIN IMMEDIATE"))
            return {};
        int folded = 0;
        try {
            folded = foldPending(kFoldBlockRows);
            execOrThrow(m_handle, "COMMIT");
        } catch (const DbError&) {
            exec(m_handle, "ROLLBACK");
            return {};
        }
        if (folded == 0)
            break;
        done += folded;
        progress.advance(done);
    }
    return {};
}
