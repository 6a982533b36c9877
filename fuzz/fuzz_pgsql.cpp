// Any text as a WHERE condition for the server, and any two search texts in the program's own
// SQL text: the translation refuses the first or gives a statement in which nothing of the text
// is read as SQL (no quote, no statement end, no comment, one parameter for each $n), and it
// always takes the second.
#include "core/engine/DbError.h"
#include "core/engine/pg/PgSchema.h"
#include "core/engine/pg/PgSql.h"
#include "core/sql/SqlText.h"

#include <cstdint>
#include <cstdlib>

namespace {
void check(const PgStatement& s)
{
    if (s.sql.contains('\'') || s.sql.contains(';') || s.sql.contains("--") ||
        s.sql.contains("/*") || s.sql.count('$') != s.params.size())
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    try {
        check(TranslateSql(text, {}, FindPgTable(QStringLiteral("Problems"))));
    } catch (const DbError&) {
    }
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    const QString problem = cut < 0 ? text : text.left(cut);
    const QString solution = cut < 0 ? QString() : text.mid(cut + 1);
    try {
        check(TranslateSql(Sql::ProblemSearch(7, problem, solution)));
    } catch (const DbError&) {
        abort(); // a search text must never break the statement
    }
    return 0;
}
