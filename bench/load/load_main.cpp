// The load test: many processes working one database through the program's core library at
// once, and a check that no save the program accepted was lost.
//   bench_load run DATABASE CLIENTS SECONDS LOGDIR   seed, start the clients, wait, check
//   bench_load client DATABASE ID SECONDS LOG        one client (started by run)
// DATABASE is a file (made anew) or an empty server database. Status 0 when nothing was lost.
#include "bench/load/LoadLog.h"
#include "core/data/Connection.h"
#include "core/engine/DbError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <memory>
#include <vector>

namespace {
// Twenty titles, each with three versions (three changes and two files each) and ten problems,
// every edited field a value of its own, logged as added.
int seed(const QString& database, const QString& logFile)
{
    QFile log(logFile);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    try {
        auto c = Connection::open(database, OpenMode::CreateIfNew);
        Engine& e = c->engine();
        Transaction t(*c);
        int serial = 0;
        const auto add = [&](const LoadTable& table, QStringList fields, QVariantList values) {
            const QString value = QStringLiteral("seed-%1").arg(++serial);
            fields << QLatin1String(table.field);
            values << value;
            const qint64 key = e.insert(QLatin1String(table.table), fields, values);
            log.write(LogLine({"ADD", table.table, QString::number(key), value, "0"}).toUtf8());
            return key;
        };
        for (int i = 0; i < 20; ++i) {
            const qint64 title =
                add(kLoadTables[0], {"SoftwareTitle"}, {QStringLiteral("Title %1").arg(i)});
            for (int v = 0; v < 3; ++v) {
                const qint64 release = add(kLoadTables[1], {"SoftwareID"}, {title});
                for (int k = 0; k < 3; ++k)
                    add(kLoadTables[2], {"ReleaseID"}, {release});
                for (int k = 0; k < 2; ++k)
                    add(kLoadTables[3], {"ReleaseID"}, {release});
            }
            for (int p = 0; p < 10; ++p)
                add(kLoadTables[4], {"SoftwareID", "Solution"}, {title, "a solution"});
        }
        t.commit();
    } catch (const DbError& e) {
        std::fprintf(stderr, "seed: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}

int run(const QString& database, int clients, int seconds, const QString& folder)
{
    QDir().mkpath(folder);
    if (!IsServerDatabase(database))
        QFile::remove(database);
    if (seed(database, folder + QStringLiteral("/seed.log")) != 0)
        return 1;
    std::vector<std::unique_ptr<QProcess>> processes;
    QStringList logs{folder + QStringLiteral("/seed.log")};
    for (int i = 1; i <= clients; ++i) {
        logs << QStringLiteral("%1/client-%2.log").arg(folder).arg(i);
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("client"), database, QString::number(i), QString::number(seconds),
                  logs.last()});
        processes.push_back(std::move(p));
    }
    QList<int> codes;
    for (auto& p : processes) {
        const bool ended = p->waitForFinished((seconds + 120) * 1000);
        // A crash, a client that never ended or one that failed counts against the run.
        codes << (ended && p->exitStatus() == QProcess::NormalExit ? p->exitCode() : 99);
        if (!ended)
            p->kill();
    }
    return CheckLoad(database, logs, seconds, codes);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    if (a.size() == 6 && a[1] == QLatin1String("run"))
        return run(a[2], a[3].toInt(), a[4].toInt(), a[5]);
    if (a.size() == 6 && a[1] == QLatin1String("client"))
        return RunLoadClient(a[2], a[3].toInt(), a[4].toInt(), a[5]);
    std::fprintf(stderr, "usage: bench_load run DATABASE CLIENTS SECONDS LOGDIR\n");
    return 2;
}
