// The index Find narrows its search with on a database file: an FTS5 table of trigrams over
// the problems' folded texts (ProblemsFolded), and the keys of the problems written since they
// were last folded (ProblemsFoldPending). Plain triggers fill that list, so a write by any
// program works and is seen; the program folds the listed rows before it searches, and while
// it cannot (a read-only file, another program's lock) it searches as it did without an index.
#include "core/data/WorkProgress.h"
#include "core/engine/sqlite/SqliteEngine.h"
#include "core/sql/FindIndex.h"
#include "core/sql/Like.h"
#include "core/sql/SqlText.h"

#include <sqlite3.h>

#include <vector>

namespace {
// Rows folded in one transaction while the index is filled.
constexpr int kFoldBlockRows = 2000;

const char* const kIndexObjects[] = {
    "CREATE VIRTUAL TABLE ProblemsFolded USING fts5(Problem, Solution,"
    " tokenize = 'trigram case_sensitive 1')",
    "CREATE TABLE ProblemsFoldPending (ProblemID INTEGER PRIMARY KEY)",
    "CREATE TRIGGER ProblemsFoldInsert AFTER INSERT ON Problems BEGIN"
    " INSERT OR IGNORE INTO ProblemsFoldPending VALUES (NEW.ProblemID); END",
    "CREATE TRIGGER ProblemsFoldUpdate AFTER UPDATE OF ProblemID, Problem, Solution ON Problems"
    " BEGIN INSERT OR IGNORE INTO ProblemsFoldPending VALUES (OLD.ProblemID);"
    " INSERT OR IGNORE INTO ProblemsFoldPending VALUES (NEW.ProblemID); END",
    "CREATE TRIGGER ProblemsFoldDelete AFTER DELETE ON Problems BEGIN"
    " INSERT OR IGNORE INTO ProblemsFoldPending VALUES (OLD.ProblemID); END",
    // Every row is folded once, after the rows were written: faster than row by row.
    "INSERT INTO ProblemsFoldPending SELECT ProblemID FROM Problems",
};

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

// A listed row as the index gets it: absent when it is no longer in the table.
struct FoldedRow {
    qint64 key;
    bool present;
    QByteArray problem, solution; // null for NULL
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

// The FTS5 query for the runs: each a phrase of its own field, all of them present.
QString matchQuery(const FindPlan& plan)
{
    QStringList terms;
    for (const IndexedLike& like : plan.likes) {
        for (QString run : like.runs)
            terms << QStringLiteral("{%1} : \"%2\"").arg(like.field, run.replace('"', "\"\""));
    }
    return terms.join(QStringLiteral(" AND "));
}
} // namespace

bool SqliteEngine::hasSearchIndex()
{
    return countOf(m_handle, "SELECT count(*) FROM sqlite_master WHERE name IN ('ProblemsFolded',"
                             " 'ProblemsFoldPending', 'ProblemsFoldInsert', 'ProblemsFoldUpdate',"
                             " 'ProblemsFoldDelete')") == 5;
}

int SqliteEngine::foldPending(int limit)
{
    // Read first, then written: the list changes as it is worked off.
    std::vector<FoldedRow> rows;
    {
        const Statement pending(
            m_handle, QStringLiteral("SELECT f.ProblemID, p.ProblemID, p.Problem, p.Solution"
                                     " FROM ProblemsFoldPending f LEFT JOIN Problems p"
                                     " ON p.ProblemID = f.ProblemID ORDER BY f.ProblemID"
                                     " LIMIT %1")
                          .arg(limit));
        int rc;
        while ((rc = sqlite3_step(pending.get())) == SQLITE_ROW) {
            rows.push_back({sqlite3_column_int64(pending.get(), 0),
                            sqlite3_column_type(pending.get(), 1) != SQLITE_NULL,
                            foldedColumn(pending.get(), 2), foldedColumn(pending.get(), 3)});
        }
        if (rc != SQLITE_DONE)
            throw StatementError(m_handle);
    }
    const Statement drop(m_handle, QStringLiteral("DELETE FROM ProblemsFolded WHERE rowid = ?"));
    const Statement add(m_handle, QStringLiteral("INSERT INTO ProblemsFolded"
                                                 " (rowid, Problem, Solution) VALUES (?, ?, ?)"));
    const Statement done(m_handle,
                         QStringLiteral("DELETE FROM ProblemsFoldPending WHERE ProblemID = ?"));
    for (const FoldedRow& row : rows) {
        sqlite3_bind_int64(drop.get(), 1, row.key);
        stepOnce(m_handle, drop.get());
        if (row.present) {
            sqlite3_bind_int64(add.get(), 1, row.key);
            bindText(add.get(), 2, row.problem);
            bindText(add.get(), 3, row.solution);
            stepOnce(m_handle, add.get());
        }
        sqlite3_bind_int64(done.get(), 1, row.key);
        stepOnce(m_handle, done.get());
    }
    return int(rows.size());
}

bool SqliteEngine::searchIndexCurrent()
{
    if (!m_lockRefused.isEmpty() || !hasSearchIndex())
        return false;
    if (countOf(m_handle, "SELECT EXISTS (SELECT 1 FROM ProblemsFoldPending)") == 0)
        return true;
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

QString SqliteEngine::searchWhere(const QString& table, const QString& where)
{
    const std::optional<FindPlan> plan = PlanFind(table, where);
    if (!plan || !searchIndexCurrent())
        return where;
    QString narrowed = plan->checkedWhere();
    if (!narrowed.isEmpty())
        narrowed += QStringLiteral(" AND ");
    return narrowed +
           QStringLiteral("rowid IN (SELECT rowid FROM ProblemsFolded WHERE "
                          "ProblemsFolded MATCH ") +
           Sql::Quoted(matchQuery(*plan)) + QLatin1Char(')');
}

QString SqliteEngine::prepareSearch(WorkProgress& progress)
{
    if (!hasSearchIndex()) {
        if (!exec(m_handle, "BEGIN IMMEDIATE"))
            return {};
        try {
            for (const char* sql : kIndexObjects)
                execOrThrow(m_handle, sql);
            execOrThrow(m_handle, "COMMIT");
        } catch (const DbError&) {
            // A read-only file or one in use: the searches read every row, as before.
            exec(m_handle, "ROLLBACK");
            return {};
        }
    }
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
