// Any two search texts: the SQL text built from them is one valid statement over the
// problems of one title, and the case-folding LIKE finds every text by itself.
#include "core/sql/Like.h"
#include "core/sql/SqlText.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>

namespace {
sqlite3* database()
{
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        sqlite3_open(":memory:", &d);
        RegisterLike(d);
        sqlite3_exec(d,
                     "CREATE TABLE Problems (ProblemID INTEGER PRIMARY KEY, SoftwareID INTEGER, "
                     "Problem TEXT, Solution TEXT);"
                     "INSERT INTO Problems VALUES (1, 7, 'abc', 'def');",
                     nullptr, nullptr, nullptr);
        return d;
    }();
    return db;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype cut = bytes.indexOf('\n');
    const QString problem = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QString solution = cut < 0 ? QString() : QString::fromUtf8(bytes.mid(cut + 1));
    const QByteArray sql = Sql::ProblemSearch(7, problem, solution).toUtf8();

    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(database(), sql.constData(), int(sql.size()), &stmt, &tail) != SQLITE_OK)
        abort(); // a search text must never break the statement
    if (tail && *tail)
        abort(); // nor add a second one
    while (sqlite3_step(stmt) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);

    // Without wildcards a text matches itself, and "%" around it matches it too.
    const QByteArray plain = problem.toUtf8();
    if (!plain.contains('%') && !plain.contains('_') && !LikeMatch(plain, plain))
        abort();
    if (!LikeMatch("%", plain))
        abort();
    return 0;
}
