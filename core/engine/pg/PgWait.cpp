// How PgLink waits for the server: every statement is sent without blocking and its answer
// waited for on the socket up to a deadline. A statement the server has not answered by then
// is cancelled; a server that does not even answer the cancel (stopped, or the network gone)
// costs the connection, which the next command opens again.
#include "core/engine/pg/PgLink.h"

#include <libpq-fe.h>

#include <cerrno>
#include <poll.h>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Once a statement is cancelled, the server's answer to it comes at once when it is alive.
constexpr milliseconds kCancelGrace{2000};

QString secondsText(milliseconds wait)
{
    const double seconds = double(wait.count()) / 1000.0;
    return seconds == 1.0 ? QStringLiteral("1 second")
                          : QStringLiteral("%1 seconds").arg(QString::number(seconds));
}
} // namespace

milliseconds PgLink::answerWait()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("VANTOR_SERVER_TIMEOUT").toDouble(&ok);
    if (ok && seconds > 0 && seconds <= 24 * 3600)
        return milliseconds(qint64(seconds * 1000));
    return std::chrono::seconds(10);
}

// Waits until the socket is ready for events; false when the deadline passed first.
bool PgLink::ready(short events, Deadline until)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{PQsocket(m_conn), events, 0};
        const int n = ::poll(&fd, 1, int(std::min<qint64>(left.count(), 3600 * 1000)));
        // A failing socket is for libpq to report, on its next read.
        if (n > 0 || (n < 0 && errno != EINTR))
            return true;
    }
}

// Sends what libpq still holds and reads until the answer is complete; false when the deadline
// passed first. A broken connection counts as complete: libpq's results say what broke.
bool PgLink::sendAndRead(Deadline until)
{
    for (;;) {
        const int unsent = PQflush(m_conn);
        if (unsent < 0 || !PQconsumeInput(m_conn))
            return true;
        if (unsent == 0 && !PQisBusy(m_conn))
            return true;
        if (!ready(unsent ? short(POLLIN | POLLOUT) : short(POLLIN), until))
            return false;
    }
}

// The statement's result: the first that failed, else the last.
PgResult PgLink::results()
{
    PgResult kept;
    while (pg_result* r = PQgetResult(m_conn)) {
        PgResult next(r);
        if (!kept.get() || kept.ok())
            kept = std::move(next);
    }
    return kept;
}

PgResult PgLink::answer(bool sent, Wait wait)
{
    if (!sent)
        return PgResult();
    const Deadline until = wait == Wait::Bounded ? Clock::now() + m_answerWait : Deadline::max();
    if (sendAndRead(until))
        return results();
    return cancelled();
}

// Past the deadline: the server is asked to cancel the statement and given a moment to say it
// did. Its answer stands, whatever it is (a COMMIT that ended meanwhile has ended); without one
// the connection is given up, and its transaction ends with it.
PgResult PgLink::cancelled()
{
    m_timedOut = true;
    if (PGcancel* cancel = PQgetCancel(m_conn)) {
        // PQcancel waits for the server to take the request, without a deadline of its own; a
        // stopped server would hold it for as long as it stays stopped.
        std::thread([cancel] {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
        }).detach();
    }
    if (!sendAndRead(Clock::now() + std::min(kCancelGrace, m_answerWait))) {
        giveUp();
        return PgResult();
    }
    PgResult r = results();
    const char* state = r.get() ? PQresultErrorField(r.get(), PG_DIAG_SQLSTATE) : nullptr;
    m_timedOut = !r.ok() && state && qstrcmp(state, "57014") == 0;
    return r;
}

void PgLink::giveUp()
{
    PQfinish(m_conn);
    m_conn = nullptr;
}

DbError PgLink::timedOut() const
{
    return DbError(QStringLiteral("The server did not answer within %1; nothing was changed.")
                       .arg(secondsText(m_answerWait)));
}
