// The index Find narrows its search with on a server: the problems' folded texts in a table of
// their own (problemsfoldedtext) with a pg_trgm GIN index on each, the keys of the problems
// written since they were last folded (problemsfoldpending), which a plain trigger lists
// whoever writes, and the fold's version (problemsfoldversion). The program folds the listed
// rows before it searches; while it cannot, or where the server has no pg_trgm, it searches as
// it did without an index.
#include "core/data/WorkProgress.h"
#include "core/engine/pg/PgEngine.h"
#include "core/engine/pg/PgSchema.h"
#include "core/sql/FindIndex.h"
#include "core/sql/Like.h"

namespace {
// Rows folded in one transaction while the index is filled, and sent in one INSERT.
constexpr int kFoldBlockRows = 2000;
constexpr int kRowsPerInsert = 250;
// The most rows a search folds before it reads.
constexpr int kFoldInSearchRows = 1000;

// pg_trgm takes the trigrams of each word apart, so a run of several words ("no such words")
// would be looked for as its words, each in most texts. Kept as one word, by a space written
// as "Z", which no folded text holds, the trigrams across words are kept too.
constexpr char16_t kSpace = u'Z';

QByteArray serverFoldVersion()
{
    return FoldVersion() + ", space Z";
}

// The trigger's function runs with its owner's rights, so that anyone who may write a problem
// may list it, and names its tables in the schema it was made in. The index of an earlier fold
// (problemsfolded) goes; an older Vantor then finds no index and reads every problem.
const char kIndexObjects[] =
    "DROP TABLE IF EXISTS problemsfolded, problemsfoldedtext, problemsfoldversion;"
    "CREATE TABLE problemsfoldedtext (problemid bigint PRIMARY KEY, problem text, solution text);"
    "CREATE TABLE problemsfoldversion (fold text);"
    "CREATE TABLE IF NOT EXISTS problemsfoldpending (problemid bigint PRIMARY KEY);"
    "CREATE OR REPLACE FUNCTION vantor_fold_pending() RETURNS trigger LANGUAGE plpgsql"
    " SECURITY DEFINER SET search_path FROM CURRENT AS $$ BEGIN"
    " IF TG_OP <> 'INSERT' THEN INSERT INTO problemsfoldpending VALUES (OLD.problemid)"
    " ON CONFLICT DO NOTHING; END IF;"
    " IF TG_OP <> 'DELETE' THEN INSERT INTO problemsfoldpending VALUES (NEW.problemid)"
    " ON CONFLICT DO NOTHING; END IF; RETURN NULL; END $$;"
    "DROP TRIGGER IF EXISTS problems_fold ON problems;"
    "CREATE TRIGGER problems_fold AFTER INSERT OR DELETE OR UPDATE OF problemid, problem,"
    " solution ON problems FOR EACH ROW EXECUTE FUNCTION vantor_fold_pending();"
    "DELETE FROM problemsfoldpending;"
    "INSERT INTO problemsfoldpending SELECT problemid FROM problems;";

// Made after the first fill: building a GIN index over the rows is faster than keeping it.
const char kGinIndexes[] = "CREATE INDEX IF NOT EXISTS problemsfoldedtext_problem ON"
                           " problemsfoldedtext USING gin (problem gin_trgm_ops);"
                           "CREATE INDEX IF NOT EXISTS problemsfoldedtext_solution ON"
                           " problemsfoldedtext USING gin (solution gin_trgm_ops);";

// How much of the index there is: 0 none, 1 the tables and trigger, 2 all of it.
const char kIndexState[] =
    "SELECT CASE WHEN to_regclass('problemsfoldpending') IS NULL"
    " OR to_regclass('problemsfoldedtext') IS NULL OR to_regclass('problemsfoldversion') IS NULL"
    " OR NOT EXISTS (SELECT 1 FROM pg_trigger WHERE tgname = 'problems_fold'"
    " AND tgrelid = to_regclass('problems')) THEN 0"
    " WHEN (SELECT count(*) FROM pg_indexes WHERE schemaname = current_schema()"
    " AND indexname IN ('problemsfoldedtext_problem', 'problemsfoldedtext_solution')) = 2"
    " THEN 2 ELSE 1 END";

QVariant folded(const QVariant& text)
{
    if (text.isNull())
        return QVariant(QMetaType(QMetaType::QString));
    const QByteArray utf8 = text.toString().toUtf8();
    return QString::fromUtf8(FoldedText(utf8.constData(), int(utf8.size())))
        .replace(QLatin1Char(' '), QChar(kSpace));
}

QByteArray insertText(int rows)
{
    QByteArray sql = "INSERT INTO problemsfoldedtext (problemid, problem, solution) VALUES ";
    for (int r = 0; r < rows; ++r) {
        const QByteArray n = QByteArray::number(r * 3);
        sql += (r ? ", ($" : "($") + QByteArray::number(r * 3 + 1) + ", $" +
               QByteArray::number(r * 3 + 2) + ", $" + QByteArray::number(r * 3 + 3) + ')';
    }
    return sql;
}

// A run as a LIKE pattern that finds it anywhere: the wildcards in it escaped.
QString containsPattern(QString run)
{
    run.replace(QLatin1Char(' '), QChar(kSpace));
    run.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    run.replace(QLatin1Char('%'), QLatin1String("\\%"));
    run.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + run + QLatin1Char('%');
}
} // namespace

int PgEngine::searchIndexState()
{
    const int state = int(exec({kIndexState, {}}).integer(0, 0));
    if (state == 0)
        return 0;
    // An index of another fold is no index: it is made again at the next start-up.
    const PgResult version = exec({"SELECT fold FROM problemsfoldversion", {}});
    const bool same =
        version.rows() == 1 && version.value(0, 0).toString().toUtf8() == serverFoldVersion();
    return same ? state : 0;
}

int PgEngine::foldPending(int limit)
{
    const PgResult taken =
        exec({"DELETE FROM problemsfoldpending WHERE problemid IN (SELECT problemid FROM "
              "problemsfoldpending ORDER BY problemid LIMIT " +
                  QByteArray::number(limit) + ") RETURNING problemid",
              {}});
    if (taken.rows() == 0)
        return 0;
    KeyArray keys;
    for (int i = 0; i < taken.rows(); ++i)
        keys << taken.integer(i, 0);
    const QVariant keyList = QVariant::fromValue(keys);
    exec({"DELETE FROM problemsfoldedtext WHERE problemid = ANY($1)", {keyList}});
    const PgResult rows = exec(
        {"SELECT problemid, problem, solution FROM problems WHERE problemid = ANY($1)", {keyList}});
    for (int start = 0; start < rows.rows(); start += kRowsPerInsert) {
        const int count = std::min(kRowsPerInsert, rows.rows() - start);
        QVariantList params;
        for (int i = start; i < start + count; ++i)
            params << rows.integer(i, 0) << folded(rows.value(i, 1)) << folded(rows.value(i, 2));
        exec({insertText(count), params});
    }
    return taken.rows();
}

bool PgEngine::searchIndexCurrent()
{
    if (searchIndexState() != 2)
        return false;
    const int pending = exec({"SELECT 1 FROM problemsfoldpending LIMIT " +
                                  QByteArray::number(kFoldInSearchRows + 1),
                              {}})
                            .rows();
    // Many rows (a start-up's indexing stopped, a bulk write by another program) are folded
    // at the next start-up, with progress, not in a search.
    if (pending == 0 || m_snapshot || pending > kFoldInSearchRows)
        return pending == 0;
    // Folded inside the command where there is one, so that its rollback leaves the rows
    // listed; refused, the list stays as it was and the search reads every row.
    const bool own = !m_inTransaction;
    if (own) {
        begin();
    }
    try {
        exec({"SAVEPOINT fold_pending", {}});
        try {
            while (foldPending(kFoldBlockRows) > 0) {
            }
            exec({"RELEASE fold_pending", {}});
        } catch (const DbError&) {
            m_link.command("ROLLBACK TO fold_pending");
            m_link.command("RELEASE fold_pending");
            m_failedBy.clear();
            if (own)
                rollback();
            return false;
        }
    } catch (const DbError&) {
        if (own)
            rollback();
        throw;
    }
    if (own)
        commit();
    return true;
}

void PgEngine::narrowSearch(PgStatement& s, const FindPlan& plan) const
{
    QByteArray conditions;
    for (const IndexedLike& like : plan.likes) {
        for (const QString& run : like.runs) {
            s.params << containsPattern(run);
            conditions += (conditions.isEmpty() ? "" : " AND ") + like.field.toLower().toUtf8() +
                          " LIKE $" + QByteArray::number(s.params.size());
        }
    }
    const QByteArray in =
        "problemid IN (SELECT problemid FROM problemsfoldedtext WHERE " + conditions + ')';
    s.sql = s.sql.isEmpty() ? in : s.sql + " AND " + in;
}

QString PgEngine::prepareSearch(WorkProgress& progress)
{
    int state = 0;
    try {
        state = searchIndexState();
        if (state == 0) {
            m_link.command("CREATE EXTENSION IF NOT EXISTS pg_trgm");
            // The version is the program's own text, not the user's.
            m_link.command(QByteArray("BEGIN;" + QByteArray(kIndexObjects) +
                                      "INSERT INTO problemsfoldversion VALUES ('" +
                                      serverFoldVersion() + "');COMMIT;")
                               .constData());
        }
    } catch (const DbError& e) {
        m_link.command("ROLLBACK");
        return QStringLiteral("Searches read every problem: the %1 could not be given the "
                              "trigram index (%2).")
            .arg(m_link.where(), e.text());
    }
    const qint64 total = exec({"SELECT count(*) FROM problemsfoldpending", {}}).integer(0, 0);
    progress.begin(QStringLiteral("Indexing the problems for Find"), total);
    for (qint64 done = 0; done < total;) {
        begin();
        int folded = 0;
        try {
            folded = foldPending(kFoldBlockRows);
            commit();
        } catch (const DbError&) {
            rollback();
            return {};
        }
        if (folded == 0)
            break;
        done += folded;
        progress.advance(done);
    }
    if (state != 2) {
        try {
            // Building the index over a large table takes a minute; it is upkeep, not a wait
            // for another user, so the statement deadline does not cut it off.
            m_link.command(kGinIndexes, PgLink::Wait::Unbounded);
        } catch (const DbError& e) {
            return QStringLiteral("Searches read every problem: the %1 could not be given the "
                                  "trigram index (%2).")
                .arg(m_link.where(), e.text());
        }
    }
    return {};
}
