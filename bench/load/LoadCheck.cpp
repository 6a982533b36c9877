// The load's verdict: the logs of every client against what the database holds at the end.
// A value the program accepted is lost when it is neither in the database nor read by a later
// accepted save or delete: each accepted value must be the base of what replaced it.
#include "bench/load/LoadLog.h"
#include "core/data/Connection.h"
#include "core/engine/DbError.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <cstdio>

namespace {
struct RowHistory {
    QSet<QString> written; // values the program accepted for the row
    QSet<QString> read;    // values that a later accepted save or delete was based on
    bool deleted = false;  // by a delete of its own, not only with its parent
};

struct Tally {
    qint64 operations = 0, accepted = 0, conflicts = 0, otherRefusals = 0, silentWaits = 0;
    QHash<QString, RowHistory> rows; // "table key"
    QHash<QString, int> reasons;     // refusals other than conflicts, by their first words
};

void readLog(const QString& path, Tally& tally)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    while (!f.atEnd()) {
        const QStringList l = QString::fromUtf8(f.readLine()).chopped(1).split(QLatin1Char('\t'));
        const QString& kind = l[0];
        const QString row = l.size() > 2 ? l[1] + QLatin1Char(' ') + l[2] : QString();
        if (kind == QLatin1String("END")) {
            tally.operations += l[1].toLongLong();
        } else if (kind == QLatin1String("REFUSED")) {
            if (l[4] == QLatin1String("1"))
                ++tally.conflicts;
            else {
                ++tally.otherRefusals;
                ++tally.reasons[l.value(6).left(60)];
            }
        } else if (kind == QLatin1String("SEEN")) {
            tally.rows[row].read << l[3];
        } else {
            ++tally.accepted;
            if (l.last().toLongLong() > kSilentWaitLimitMs)
                ++tally.silentWaits;
            if (kind == QLatin1String("ADD"))
                tally.rows[row].written << l[3];
            else if (kind == QLatin1String("SAVE"))
                tally.rows[row].written << l[4], tally.rows[row].read << l[3];
            else if (kind == QLatin1String("DEL"))
                tally.rows[row].read << l[3], tally.rows[row].deleted = true;
        }
    }
}

// Every row now in the database: "table key" -> its edited field; rows whose parent is gone
// counted as orphans.
QHash<QString, QString> readDatabase(Connection& c, int* orphans)
{
    QHash<QString, QString> rows;
    QHash<QString, QSet<qint64>> keys;
    for (const LoadTable& t : kLoadTables) {
        const QString parent = t.parent ? QStringLiteral(", [%1]").arg(t.parentKey) : QString();
        const auto found = c.query(
            QStringLiteral("SELECT [%1], [%2]%3 FROM [%4]").arg(t.key, t.field, parent, t.table));
        for (const QVariantList& r : found) {
            rows.insert(QStringLiteral("%1 %2").arg(t.table).arg(r[0].toLongLong()),
                        r[1].toString());
            keys[t.table] << r[0].toLongLong();
        }
        if (!t.parent)
            continue;
        for (const QVariantList& r : found)
            *orphans += !keys[t.parent].contains(r[2].toLongLong());
    }
    return rows;
}
} // namespace

int CheckLoad(const QString& database, const QStringList& logFiles, int seconds,
              const QList<int>& exitCodes)
{
    Tally tally;
    for (const QString& path : logFiles)
        readLog(path, tally);
    int orphans = 0;
    QHash<QString, QString> stored;
    try {
        auto c = Connection::open(database, OpenMode::ExistingOnly);
        stored = readDatabase(*c, &orphans);
    } catch (const DbError& e) {
        std::fprintf(stderr, "cannot read the database: %s\n", qPrintable(e.text()));
        return 1;
    }
    qint64 lost = 0;
    QHash<QString, int> lostWhere; // by table, and whether the row is gone
    for (auto it = tally.rows.cbegin(); it != tally.rows.cend(); ++it) {
        const auto now = stored.constFind(it.key());
        for (const QString& value : it->written) {
            if (it->read.contains(value) || (now != stored.cend() && *now == value))
                continue;
            ++lost;
            ++lostWhere[it.key().section(QLatin1Char(' '), 0, 0) +
                        (now != stored.cend() ? QStringLiteral(", row overwritten")
                         : it->deleted        ? QStringLiteral(", row deleted")
                                              : QStringLiteral(", row deleted with its parent"))];
        }
    }
    int crashed = 0;
    for (int code : exitCodes)
        crashed += code != 0;
    const int clients = int(exitCodes.size());
    std::printf("clients %d, %d s, operations %lld (%.1f per second), saves accepted %lld, "
                "conflicts refused %lld, other refusals %lld, saves lost %lld, orphan rows %d, "
                "silent waits past the deadline %lld, clients crashed %d\n",
                clients, seconds, tally.operations, double(tally.operations) / seconds,
                tally.accepted, tally.conflicts, tally.otherRefusals, lost, orphans,
                tally.silentWaits, crashed);
    for (auto it = lostWhere.cbegin(); it != lostWhere.cend(); ++it)
        std::printf("  lost %d: %s\n", it.value(), qPrintable(it.key()));
    for (auto it = tally.reasons.cbegin(); it != tally.reasons.cend(); ++it)
        std::printf("  refused %d times: %s\n", it.value(), qPrintable(it.key()));
    return lost == 0 && orphans == 0 && tally.silentWaits == 0 && crashed == 0 ? 0 : 1;
}
