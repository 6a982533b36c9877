// One person of the load: a process that works the database through the record sources, as
// the window does, at random for a bounded time, and logs every save the program accepted and
// every refusal. Its sources keep the rows they read, so that what it saves is often based on
// rows another client has changed since: those saves must be refused.
#include "bench/load/LoadLog.h"
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"
#include "core/sql/SqlText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <memory>

namespace {
constexpr int kTables = int(std::size(kLoadTables));
constexpr int kSoftware = 0, kVersions = 1;

class Client {
public:
    Client(const QString& database, int id, const QString& logFile)
        : m_database(database), m_id(id), m_random(quint32(id * 7919 + 17)), m_log(logFile)
    {
    }
    int run(int seconds);

private:
    RecordSource& source(int t);
    std::unique_ptr<RecordSource> open(const QString& sql);
    bool pick(RecordSource& s);
    QString token() { return QStringLiteral("c%1-%2").arg(m_id).arg(++m_serial); }
    bool command(const QString& what, int t, qint64 key, const std::function<void()>& body);
    void log(const QStringList& fields) { m_log.write(LogLine(fields).toUtf8()); }

    void read();
    void edit(int t);
    void add(int t);
    void remove(int t, bool again);
    QStringList seenBelow(int t, qint64 key);

    QString m_database;
    int m_id;
    QRandomGenerator m_random;
    QFile m_log;
    int m_serial = 0;
    qint64 m_lastMs = 0;
    std::array<std::unique_ptr<RecordSource>, kTables> m_sources;
};

std::unique_ptr<RecordSource> Client::open(const QString& sql)
{
    auto s = std::make_unique<RecordSource>(QStringLiteral("load"));
    s->setConnectionString(ConnectionText(m_database));
    s->setRecordSource(sql);
    s->Refresh();
    return s;
}

// The client's list of a table, read once and then kept, as a window keeps what it shows.
RecordSource& Client::source(int t)
{
    if (!m_sources[size_t(t)])
        m_sources[size_t(t)] =
            open(QStringLiteral("SELECT * FROM [%1]").arg(QLatin1String(kLoadTables[t].table)));
    return *m_sources[size_t(t)];
}

bool Client::pick(RecordSource& s)
{
    if (s.RecordCount() == 0)
        return false;
    const int at = int(m_random.bounded(s.RecordCount()));
    s.MoveFirst();
    for (int i = 0; i < at && !s.isEOF(); ++i)
        s.MoveNext();
    return s.hasCurrentRow();
}

// One command in one transaction, timed; a refusal is logged and the client reads again.
bool Client::command(const QString& what, int t, qint64 key, const std::function<void()>& body)
{
    QElapsedTimer clock;
    clock.start();
    try {
        Connection& c = *Connection::shared(m_database);
        Transaction transaction(c);
        body();
        transaction.commit();
        m_lastMs = clock.elapsed();
        return true;
    } catch (const DbError& e) {
        const QString text = e.text().simplified().replace(QLatin1Char('\t'), QLatin1Char(' '));
        const bool conflict = text.contains(QLatin1String("omeone else"));
        log({QStringLiteral("REFUSED"), what, QLatin1String(kLoadTables[t].table),
             QString::number(key), conflict ? "1" : "0", QString::number(clock.elapsed()), text});
        for (auto& s : m_sources)
            s.reset();
        return false;
    }
}

void Client::read()
{
    command(QStringLiteral("read"), kSoftware, -1, [&] {
        RecordSource& titles = source(kSoftware);
        if (!pick(titles))
            return;
        titles.Field(QStringLiteral("Comments"));
        auto problems = open(Sql::ProblemsOf(titles.currentKey()));
        problems->WalkToEnd([&] { problems->Field(QStringLiteral("Problem")); });
    });
}

void Client::edit(int t)
{
    const LoadTable& table = kLoadTables[t];
    RecordSource& s = source(t);
    if (!pick(s))
        return;
    const qint64 key = s.currentKey();
    const QString before = s.Field(QLatin1String(table.field)).toString();
    const QString wrote = token();
    if (command(QStringLiteral("save"), t, key, [&] {
            s.setField(QLatin1String(table.field), wrote);
            s.Update();
        }))
        log({QStringLiteral("SAVE"), table.table, QString::number(key), before, wrote,
             QString::number(m_lastMs)});
}

void Client::add(int t)
{
    const LoadTable& table = kLoadTables[t];
    qint64 parent = -1;
    if (table.parent) {
        RecordSource& parents = source(t == kVersions || t == 4 ? kSoftware : kVersions);
        if (!pick(parents))
            return;
        parent = parents.currentKey();
    }
    const QString wrote = token();
    qint64 key = -1;
    if (command(QStringLiteral("add"), t, parent, [&] {
            RecordSource& s = source(t);
            s.AddNew();
            if (table.parent)
                s.setField(QLatin1String(table.parentKey), parent);
            else
                s.setField(QStringLiteral("SoftwareTitle"), QStringLiteral("Load %1").arg(wrote));
            s.setField(QLatin1String(table.field), wrote);
            s.Update();
            key = s.currentKey();
        }))
        log({QStringLiteral("ADD"), table.table, QString::number(key), wrote,
             QString::number(m_lastMs)});
}

// What the window shows under a title or version before it is deleted: the rows that go with
// it, as "table key value" lines.
QStringList Client::seenBelow(int t, qint64 key)
{
    QStringList seen;
    const auto walk = [&](int child, const QString& sql, const std::function<void(qint64)>& each) {
        auto s = open(sql);
        const LoadTable& c = kLoadTables[child];
        s->WalkToEnd([&] {
            seen << LogLine({QStringLiteral("SEEN"), c.table, QString::number(s->currentKey()),
                             s->Field(QLatin1String(c.field)).toString()});
            if (each)
                each(s->currentKey());
        });
    };
    const auto versionRows = [&](qint64 release) {
        walk(2, Sql::ChangesOf(QString::number(release)), nullptr);
        walk(3, Sql::FilesOf(QString::number(release)), nullptr);
    };
    if (t == kSoftware) {
        walk(4, Sql::ProblemsOf(key), nullptr);
        walk(kVersions, Sql::VersionsOf(key), versionRows);
    } else if (t == kVersions) {
        versionRows(key);
    }
    return seen;
}

// Deletes a row the client's list shows; a title is added again under its name when asked.
void Client::remove(int t, bool again)
{
    const LoadTable& table = kLoadTables[t];
    RecordSource& s = source(t);
    if (!pick(s))
        return;
    const qint64 key = s.currentKey();
    const QString before = s.Field(QLatin1String(table.field)).toString();
    const QString title =
        t == kSoftware ? s.Field(QStringLiteral("SoftwareTitle")).toString() : QString();
    QStringList seen;
    if (!command(QStringLiteral("show"), t, key, [&] { seen = seenBelow(t, key); }))
        return;
    if (!command(QStringLiteral("delete"), t, key, [&] { source(t).Delete(); }))
        return;
    log({QStringLiteral("DEL"), table.table, QString::number(key), before,
         QString::number(m_lastMs)});
    for (const QString& line : seen)
        m_log.write(line.toUtf8());
    if (!again)
        return;
    const QString wrote = token();
    qint64 added = -1;
    if (command(QStringLiteral("add"), t, -1, [&] {
            RecordSource& titles = source(kSoftware);
            titles.AddNew();
            titles.setField(QStringLiteral("SoftwareTitle"), title);
            titles.setField(QStringLiteral("Comments"), wrote);
            titles.Update();
            added = titles.currentKey();
        }))
        log({QStringLiteral("ADD"), table.table, QString::number(added), wrote,
             QString::number(m_lastMs)});
}

int Client::run(int seconds)
{
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return 1;
    QElapsedTimer clock;
    clock.start();
    int operations = 0;
    while (clock.elapsed() < qint64(seconds) * 1000) {
        ++operations;
        const int op = int(m_random.bounded(100));
        const int t = int(m_random.bounded(kTables));
        if (op < 8) // a window that shows a title reads its rows again
            m_sources[size_t(t)].reset();
        try {
            if (op < 25)
                read();
            else if (op < 60)
                edit(t);
            else if (op < 78)
                add(t);
            else if (op < 95)
                remove(t == kSoftware ? 4 : t, false);
            else
                remove(kSoftware, true);
        } catch (const DbError& e) {
            // A list read again between commands, refused as a command would be.
            log({QStringLiteral("REFUSED"), QStringLiteral("list"), kLoadTables[t].table, "-1", "0",
                 "0", e.text().simplified()});
            for (auto& source : m_sources)
                source.reset();
        }
    }
    log({QStringLiteral("END"), QString::number(operations)});
    return 0;
}
} // namespace

int RunLoadClient(const QString& database, int id, int seconds, const QString& logFile)
{
    try {
        Client client(database, id, logFile);
        return client.run(seconds);
    } catch (const DbError& e) {
        // Only a failure outside any command, such as the first connection, ends a client.
        std::fprintf(stderr, "client %d: %s\n", id, qPrintable(e.text()));
        return 3;
    }
}
