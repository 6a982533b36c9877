// Another person working on the same database (on the server, or the same file), in a process of
// their own, for the window tests of several users at once. Each run is one command, committed
// before it ends:
//   second_user DATABASE set TABLE KEY FIELD VALUE   saves one field of a row
//   second_user DATABASE delete TABLE KEY            deletes a row, and what belongs to it
//   second_user DATABASE add TABLE FIELD VALUE ...   adds a row and prints its key
//   second_user DATABASE add-held TABLE FIELD VALUE ...
//       the same on a server, printed before the commit, which waits until another session
//       waits for a lock (20 s at most): an insert that others may meet uncommitted
// Exit status 0 once the command is committed; otherwise the database's words on stderr.
#include "core/data/Connection.h"
#include "core/engine/DbError.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <cstdio>

namespace {
void holdUntilAnotherWaits(Connection& db, qint64 key)
{
    std::printf("%lld\n", static_cast<long long>(key));
    std::fflush(stdout);
    for (int i = 0; i < 2000; ++i) {
        if (db.query(QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE granted = ?"), {false})
                .value(0)
                .value(0)
                .toInt() > 0)
            return;
        QThread::msleep(10);
    }
}

qint64 run(Connection& db, const QStringList& a)
{
    Transaction t(db);
    qint64 key = 0;
    if (a[0] == QLatin1String("set") && a.size() == 5) {
        db.engine().update(a[1], a[2].toLongLong(), {a[3]}, {a[4]});
    } else if (a[0] == QLatin1String("delete") && a.size() == 3) {
        db.engine().remove(a[1], a[2].toLongLong());
    } else if (a[0].startsWith(QLatin1String("add")) && a.size() % 2 == 0) {
        QStringList fields;
        QVariantList values;
        for (int i = 2; i < a.size(); i += 2) {
            fields << a[i];
            values << a[i + 1];
        }
        key = db.engine().insert(a[1], fields, values);
        if (a[0] == QLatin1String("add-held"))
            holdUntilAnotherWaits(db, key);
    } else {
        throw DbError(QStringLiteral("usage: second_user DATABASE set|delete|add|add-held ..."));
    }
    t.commit();
    return key;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2)
        return 2;
    try {
        const std::shared_ptr<Connection> db = Connection::open(args.takeFirst());
        std::printf("%lld\n", static_cast<long long>(run(*db, args)));
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
