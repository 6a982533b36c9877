#include "core/engine/pg/PgLink.h"

#include "core/engine/pg/PgAddress.h"

#include <QRegularExpression>
#include <QUrl>

#include <libpq-fe.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <poll.h>

namespace {
void ignoreNotice(void*, const char*) {}

// What the user can do about a failure, by its SQLSTATE; empty where the server's own words
// say it well enough.
QString reasonFor(const QByteArray& state, const QString& user)
{
    if (state == "42501")
        return QStringLiteral(
                   "The database user %1 may not do this. The database's owner can grant it: "
                   "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %1; "
                   "GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO %1;")
            .arg(user);
    if (state == "23503")
        return QStringLiteral("The record this one belongs to is no longer in the database; "
                              "someone else may have deleted it.");
    if (state == "22021")
        return QStringLiteral("The text holds a character the database server cannot store.");
    if (state == "40001" || state == "40P01")
        return QStringLiteral("Another user's change got in the way of this one; try again.");
    if (state == "53100")
        return QStringLiteral("The database server's disk is full.");
    if (state == "25006")
        return QStringLiteral("The database server accepts no changes at present (it is "
                              "read-only).");
    return {};
}

QString firstLines(const char* text)
{
    QString t = QString::fromUtf8(text).trimmed();
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    t.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return t.simplified();
}
} // namespace

PgLink::PgLink(const QString& uri) : m_answerWait(answerWait())
{
    // The password as written in the URI, and as libpq reads it, never goes into a message.
    static const QRegularExpression written(
        QStringLiteral(R"(://[^:/@?#]*:([^@/?#]*)@|password=([^&\s]*))"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = written.globalMatch(uri); it.hasNext();) {
        const auto m = it.next();
        for (int i : {1, 2}) {
            if (m.capturedLength(i) > 0)
                m_secrets << m.captured(i) << QUrl::fromPercentEncoding(m.captured(i).toUtf8());
        }
    }
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.toUtf8().constData(), &error);
    if (!options) {
        const QString why = AddressFault(error);
        PQfreemem(error);
        throw DbError(masked(QStringLiteral("The database setting is not a connection address "
                                            "Vantor can read: %1")
                                 .arg(why)));
    }
    takeOptions(options);
    PQconninfoFree(options);
}

void PgLink::takeOptions(const PQconninfoOption* options)
{
    QHash<QByteArray, QString> given;
    for (const PQconninfoOption* o = options; o->keyword; ++o) {
        const QByteArray key(o->keyword);
        // Vantor's texts are UTF-8 whatever the URI says.
        if (!o->val || key == "client_encoding")
            continue;
        given.insert(key, QString::fromUtf8(o->val));
        m_keywords.push_back(key);
        m_values.push_back(QByteArray(o->val));
    }
    if (!given.value("password").isEmpty())
        m_secrets << given.value("password");
    m_keywords.push_back("client_encoding");
    m_values.push_back("UTF8");
    // A server that went away over the network is noticed between commands too, not only
    // when a statement's deadline passes; settings in the address win.
    const std::pair<const char*, const char*> ours[] = {{"application_name", "Vantor"},
                                                        {"keepalives", "1"},
                                                        {"keepalives_idle", "30"},
                                                        {"keepalives_interval", "10"},
                                                        {"keepalives_count", "3"}};
    for (const auto& [key, value] : ours) {
        if (given.contains(key))
            continue;
        m_keywords.push_back(key);
        m_values.push_back(value);
    }
    const QString host = given.value("host", given.value("hostaddr"));
    const QString port = given.value("port");
    const QString dbname = given.value("dbname");
    m_where = masked(QStringLiteral("database \"%1\" on %2%3")
                         .arg(dbname.isEmpty() ? QStringLiteral("(your user name)") : dbname,
                              host.isEmpty() ? QStringLiteral("the server on this computer")
                                             : QStringLiteral("the server ") + host,
                              port.isEmpty() ? QString() : QStringLiteral(", port ") + port));
}

PgLink::~PgLink()
{
    PQfinish(m_conn);
}

QString PgLink::masked(const QString& text) const
{
    QString out = MaskPassword(text);
    for (const QString& secret : m_secrets)
        out.replace(secret, QStringLiteral("***"));
    return out;
}

QString PgLink::user() const
{
    return m_conn ? QString::fromUtf8(PQuser(m_conn)) : QString();
}

// libpq's connect_timeout counts for each address of a host apart, and only where libpq waits
// itself; connecting step by step, Vantor keeps one deadline for all of it, counted from before
// the start, which looks the host's name up. A lookup still blocks inside that step, for as long
// as the system's resolver lets it.
PgLink::Deadline PgLink::deadline()
{
    return std::chrono::steady_clock::now() + std::chrono::seconds(kConnectSeconds);
}

QString PgLink::poll(bool reset, Deadline deadline)
{
    using Clock = std::chrono::steady_clock;
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    for (;;) {
        if (status == PGRES_POLLING_OK)
            return {};
        if (status == PGRES_POLLING_FAILED || PQstatus(m_conn) == CONNECTION_BAD)
            return firstLines(PQerrorMessage(m_conn));
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return QStringLiteral("The server did not answer within %1 seconds.")
                .arg(kConnectSeconds);
        pollfd fd{PQsocket(m_conn), short(status == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&fd, 1, int(left.count()));
        if (ready < 0 && errno != EINTR)
            return QString::fromLocal8Bit(std::strerror(errno));
        if (ready > 0)
            status = reset ? PQresetPoll(m_conn) : PQconnectPoll(m_conn);
    }
}

QString PgLink::reopen()
{
    const Deadline until = deadline();
    QString why;
    if (m_conn) {
        PQresetStart(m_conn);
        why = poll(true, until);
    } else {
        // The connection was given up at a deadline: a new one, with the same settings.
        std::vector<const char*> keys, values;
        for (size_t i = 0; i < m_keywords.size(); ++i) {
            keys.push_back(m_keywords[i].constData());
            values.push_back(m_values[i].constData());
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);
        m_conn = PQconnectStartParams(keys.data(), values.data(), 0);
        if (!m_conn)
            return QStringLiteral("out of memory");
        PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
        why = poll(false, until);
    }
    // Statements are sent without blocking, so that a deadline holds while they are sent.
    if (why.isEmpty())
        PQsetnonblocking(m_conn, 1);
    return why;
}

void PgLink::connect()
{
    const QString why = reopen();
    if (why.isEmpty())
        return;
    QString text = QStringLiteral("Vantor cannot open the %1: %2").arg(m_where, why);
    if (PQconnectionNeedsPassword(m_conn))
        text += QStringLiteral(
            " The server asks for a password and none was found: put it into libpq's password "
            "file ~/.pgpass (readable by you only), or name it in PGPASSWORD or PGPASSFILE.");
    else if (PQconnectionUsedPassword(m_conn))
        text += QStringLiteral(" Check the password in ~/.pgpass (or PGPASSWORD).");
    throw DbError(masked(text));
}

bool PgLink::lost() const
{
    return !m_conn || PQstatus(m_conn) == CONNECTION_BAD;
}

DbError PgLink::unreachable(const QString& detail) const
{
    QString text = QStringLiteral("The database server cannot be reached (%1); the command was "
                                  "not carried out. What you typed stays: try again once the "
                                  "server is back.")
                       .arg(m_where);
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + QLatin1Char(')');
    return DbError(masked(text));
}

void PgLink::ensureOpen()
{
    if (!lost() && PQtransactionStatus(m_conn) == PQTRANS_IDLE) {
        // A server that stopped or restarted between commands is seen only on reading.
        PQconsumeInput(m_conn);
        PQisBusy(m_conn);
        PQconsumeInput(m_conn);
    }
    if (!lost())
        return;
    const QString why = reopen();
    if (!why.isEmpty())
        throw unreachable(why);
    ++m_generation; // the server forgot the prepared statements with the old connection
}

PgLink::Prepared& PgLink::prepare(const QByteArray& sql)
{
    // Texts and numbers are parameters, so a statement's form repeats; only a connection that
    // has seen very many forms starts its collection again.
    if (m_prepared.size() > 500 && !m_prepared.contains(sql)) {
        command("DEALLOCATE ALL");
        m_prepared.clear();
    }
    Prepared& p = m_prepared[sql];
    if (p.generation == m_generation)
        return p;
    p.name = "vantor_" + QByteArray::number(++m_serial);
    try {
        prepareAs(p, sql);
    } catch (const DbError&) {
        m_prepared.remove(sql);
        throw;
    }
    p.generation = m_generation;
    return p;
}

void PgLink::prepareAs(Prepared& p, const QByteArray& sql)
{
    PgResult made = answer(PQsendPrepare(m_conn, p.name.constData(), sql.constData(), 0, nullptr));
    PgResult described;
    if (made.ok())
        described = answer(PQsendDescribePrepared(m_conn, p.name.constData()));
    if (!made.ok() || !described.ok())
        throw failure(made.ok() ? described.get() : made.get());
    const int count = PQnparams(described.get());
    p.types.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        p.types[size_t(i)] = PQparamtype(described.get(), i);
}

PgResult PgLink::run(Prepared& p, const QVariantList& params)
{
    const int count = int(p.types.size());
    if (params.size() != count)
        throw DbError(QStringLiteral("The statement needs %1 values; %2 were given.")
                          .arg(count)
                          .arg(params.size()));
    std::vector<QByteArray> data(static_cast<size_t>(count));
    std::vector<const char*> pointers(size_t(count), nullptr);
    std::vector<int> lengths(size_t(count), 0);
    const std::vector<int> binary(size_t(count), 1);
    for (int i = 0; i < count; ++i) {
        if (PgIsNull(params[i]))
            continue;
        data[size_t(i)] = PgEncode(params[i], p.types[size_t(i)]);
        pointers[size_t(i)] = data[size_t(i)].constData();
        lengths[size_t(i)] = int(data[size_t(i)].size());
    }
    return answer(PQsendQueryPrepared(m_conn, p.name.constData(), count, pointers.data(),
                                      lengths.data(), binary.data(), 1));
}

PgResult PgLink::exec(const QByteArray& sql, const QVariantList& params, bool inTransaction,
                      Plan plan)
{
    m_lastState.clear();
    if (!inTransaction)
        ensureOpen();
    else if (lost())
        throw unreachable({});
    m_timedOut = false;
    // The unnamed statement is made again at every use, so the server plans it for the values
    // given; a kept one may be given a plan made for any values after a few runs.
    Prepared once;
    if (plan == Plan::EachRun)
        prepareAs(once, sql);
    PgResult r = run(plan == Plan::EachRun ? once : prepare(sql), params);
    if (!r.ok())
        throw failure(r.get());
    return r;
}

QByteArray PgLink::command(const char* sql, Wait wait)
{
    if (lost())
        throw unreachable({});
    m_timedOut = false;
    const PgResult r = answer(PQsendQuery(m_conn, sql), wait);
    if (!r.ok())
        throw failure(r.get());
    return QByteArray(PQcmdStatus(r.get()));
}

DbError PgLink::failure(pg_result* r) const
{
    m_lastState.clear();
    if (m_timedOut)
        return timedOut();
    if (lost())
        return unreachable(firstLines(PQerrorMessage(m_conn)));
    const QByteArray state(r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr);
    m_lastState = state;
    const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString words = primary
                              ? QString::fromUtf8(primary)
                              : firstLines(r ? PQresultErrorMessage(r) : PQerrorMessage(m_conn));
    const QString reason = reasonFor(state, user());
    return DbError(masked(
        reason.isEmpty() ? words : reason + QStringLiteral(" (") + words + QLatin1Char(')')));
}
