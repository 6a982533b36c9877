#pragma once

#include "core/engine/DbError.h"
#include "core/engine/pg/PgValues.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <chrono>
#include <vector>

struct pg_conn;
struct pg_result;
struct _PQconninfoOption;

// One libpq connection: opened within a deadline, watched for a server that went away and
// opened again at the start of a command, with every statement prepared once for each
// connection. Each statement is sent without blocking and waited for up to its own deadline
// (answerWait); one the server has not answered by then is cancelled, and the user is told. Texts
// go to the server as parameters only, in binary, so that nothing in them is ever read as SQL and a
// text is never cut short. Every failure throws DbError in words a user can act on, with no
// password in them.
class PgLink {
public:
    // Reads the connection URI; throws when libpq cannot read it.
    explicit PgLink(const QString& uri);
    ~PgLink();
    PgLink(const PgLink&) = delete;
    PgLink& operator=(const PgLink&) = delete;

    // Connects, giving up after kConnectSeconds; throws with the server and database named.
    void connect();
    // "database "vantor" on the server at HOST, port PORT", for messages.
    const QString& where() const { return m_where; }
    QString user() const;

    // A connection that the server has closed since the last statement is opened again; one
    // that cannot be is refused with the reason. Costs no round trip while all is well.
    void ensureOpen();

    // Runs one statement (prepared on first use) with its parameters, each sent as the type
    // the server expects there. inTransaction: a lost connection cannot be opened again in
    // the middle of a command, whose earlier statements went with it. Plan::EachRun: planned
    // for its values each time, not kept, for a statement whose best plan depends on them.
    enum class Plan { Kept, EachRun };
    PgResult exec(const QByteArray& sql, const QVariantList& params, bool inTransaction,
                  Plan plan = Plan::Kept);
    // A statement without parameters or prepared form (BEGIN, COMMIT, ...); returns the
    // server's command tag. Upkeep that may rightly take long (VACUUM) is not bounded.
    enum class Wait { Bounded, Unbounded };
    QByteArray command(const char* sql, Wait wait = Wait::Bounded);

    // The connection is gone (the server stopped, the network broke).
    bool lost() const;
    DbError unreachable(const QString& detail) const;
    // The SQLSTATE of the last failed statement.
    const QByteArray& lastState() const { return m_lastState; }

    // Start-up must have said something within ten seconds of the program's start, and it
    // spends over one of them on its splash screen before it connects.
    static constexpr int kConnectSeconds = 8;
    // How long one statement may keep the user waiting: ten seconds, or the seconds in
    // VANTOR_SERVER_TIMEOUT (a fraction too, for tests).
    static std::chrono::milliseconds answerWait();

private:
    struct Prepared {
        QByteArray name;
        int generation = -1;
        std::vector<unsigned int> types;
    };
    // The connection's settings from libpq's reading of the URI, with Vantor's own added.
    void takeOptions(const _PQconninfoOption* options);
    Prepared& prepare(const QByteArray& sql);
    // Prepares sql under p's name (the unnamed statement for an empty name) and learns the
    // types of its parameters.
    void prepareAs(Prepared& p, const QByteArray& sql);
    PgResult run(Prepared& p, const QVariantList& params);
    // Polls a connection that libpq has begun (or begun again) until it is open or the
    // deadline has passed; the reason when it failed.
    using Deadline = std::chrono::steady_clock::time_point;
    static Deadline deadline();
    QString poll(bool reset, Deadline deadline);
    // Starts a new connection (after one given up) or resets the lost one; the reason when it
    // could not be opened within kConnectSeconds.
    QString reopen();
    // The answer to what was just sent (sent: libpq took it), waited for up to the statement's
    // deadline; past it the statement is cancelled (see PgWait.cpp).
    PgResult answer(bool sent, Wait wait = Wait::Bounded);
    bool sendAndRead(Deadline until);
    bool ready(short events, Deadline until);
    PgResult results();
    PgResult cancelled();
    void giveUp();
    DbError timedOut() const;
    DbError failure(pg_result* r) const;
    QString masked(const QString& text) const;

    std::vector<QByteArray> m_keywords, m_values;
    QStringList m_secrets; // what must never be shown: the password as written and as meant
    QString m_where;
    pg_conn* m_conn = nullptr;
    int m_generation = 0;
    int m_serial = 0;
    std::chrono::milliseconds m_answerWait;
    bool m_timedOut = false; // the last statement was cancelled at its deadline
    mutable QByteArray m_lastState;
    QHash<QByteArray, Prepared> m_prepared;
};
