#include "core/engine/pg/PgLink.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QUrl>
#include <QtEndian>

#include <libpq-fe.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <poll.h>

namespace {
// The server's type numbers (pg_type.oid) of the values Vantor sends and reads.
enum : Oid {
    kBool = 16,
    kName = 19,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kFloat4 = 700,
    kFloat8 = 701,
    kUnknown = 705,
    kInt8Array = 1016,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kNumeric = 1700,
};

const QDate kEpoch(2000, 1, 1); // day 0 of a binary date

bool isText(Oid type)
{
    return type == kText || type == kVarchar || type == kBpchar || type == kName ||
           type == kUnknown;
}

template <typename T> QByteArray bigEndian(T value)
{
    QByteArray out(int(sizeof(T)), Qt::Uninitialized);
    qToBigEndian(value, out.data());
    return out;
}

template <typename T> T fromBigEndian(const char* p)
{
    return qFromBigEndian<T>(p);
}

bool isNullValue(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return true;
    if (v.typeId() == QMetaType::QString)
        return v.toString().isNull();
    return false;
}

QDate dateOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

QByteArray keyArray(const KeyArray& keys)
{
    // One dimension, no NULLs, int8 elements, lower bound 1; then each value with its length.
    QByteArray out;
    out.reserve(20 + keys.size() * 12);
    out += bigEndian<qint32>(1) + bigEndian<qint32>(0) + bigEndian<quint32>(kInt8) +
           bigEndian<qint32>(qint32(keys.size())) + bigEndian<qint32>(1);
    for (qint64 k : keys)
        out += bigEndian<qint32>(8) + bigEndian<qint64>(k);
    return out;
}

// A value in the binary form of the type the server expects at that place.
QByteArray encode(const QVariant& v, Oid type)
{
    if (type == kInt8Array)
        return keyArray(v.value<KeyArray>());
    if (isText(type) || type == 0) {
        const QByteArray utf8 = v.toString().toUtf8();
        if (utf8.contains('\0'))
            throw DbError(QStringLiteral(
                "The text holds the character NUL (code 0), which the database server cannot "
                "store; nothing was saved. Remove that character and save again; what you typed "
                "stays in the box."));
        return utf8;
    }
    bool ok = true;
    switch (type) {
    case kInt8: {
        const qint64 n = v.toLongLong(&ok);
        if (ok)
            return bigEndian<qint64>(n);
        break;
    }
    case kInt4:
    case kInt2: {
        const qint64 n = v.toLongLong(&ok);
        if (ok && type == kInt4 && n == qint32(n))
            return bigEndian<qint32>(qint32(n));
        if (ok && type == kInt2 && n == qint16(n))
            return bigEndian<qint16>(qint16(n));
        ok = false;
        break;
    }
    case kBool:
        return QByteArray(1, v.toBool() ? 1 : 0);
    case kFloat8: {
        const double d = v.toDouble(&ok);
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        if (ok)
            return bigEndian<quint64>(bits);
        break;
    }
    case kDate: {
        const QDate d = dateOf(v);
        if (d.isValid())
            return bigEndian<qint32>(qint32(kEpoch.daysTo(d)));
        throw DbError(QStringLiteral("\"%1\" is not a date.").arg(v.toString()));
    }
    default:
        throw DbError(
            QStringLiteral("Vantor cannot send a value of the database type %1.").arg(type));
    }
    throw DbError(QStringLiteral("\"%1\" is not a number that fits here.").arg(v.toString()));
}

QVariant numericValue(const char* p)
{
    const qint16 digits = fromBigEndian<qint16>(p);
    const qint16 weight = fromBigEndian<qint16>(p + 2);
    const quint16 sign = fromBigEndian<quint16>(p + 4);
    const qint16 scale = fromBigEndian<qint16>(p + 6);
    if (sign == 0xC000)
        return QVariant(std::nan(""));
    double value = 0;
    for (int i = 0; i < digits; ++i)
        value += fromBigEndian<qint16>(p + 8 + 2 * i) * std::pow(10000.0, weight - i);
    if (sign == 0x4000)
        value = -value;
    if (scale == 0 && std::fabs(value) < 9007199254740992.0)
        return QVariant(qlonglong(std::llround(value)));
    return QVariant(value);
}

QVariant decode(const char* p, int length, Oid type)
{
    switch (type) {
    case kInt8:
        return QVariant(qlonglong(fromBigEndian<qint64>(p)));
    case kInt4:
        return QVariant(qlonglong(fromBigEndian<qint32>(p)));
    case kInt2:
        return QVariant(qlonglong(fromBigEndian<qint16>(p)));
    case kBool:
        return QVariant(qlonglong(*p ? 1 : 0));
    case kFloat8: {
        const quint64 bits = fromBigEndian<quint64>(p);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return QVariant(d);
    }
    case kFloat4: {
        const quint32 bits = fromBigEndian<quint32>(p);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return QVariant(double(f));
    }
    case kDate: {
        // Read in binary, so that no DateStyle of a session changes what a date means;
        // "infinity" has no QDate and shows empty.
        const qint32 days = fromBigEndian<qint32>(p);
        if (days == std::numeric_limits<qint32>::max() ||
            days == std::numeric_limits<qint32>::min())
            return QVariant(QDate());
        return QVariant(kEpoch.addDays(days));
    }
    case kNumeric:
        return numericValue(p);
    default:
        if (isText(type))
            return QVariant(QString::fromUtf8(p, length));
        return QVariant(QByteArray(p, length));
    }
}

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

QString MaskPassword(const QString& text)
{
    static const QRegularExpression userInfo(
        QStringLiteral(R"((postgres(?:ql)?://[^:/@?#\s"]*):[^\s"]*@)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression keyword(
        QStringLiteral(R"((password\s*=\s*)('(?:[^'\\]|\\.)*'?|[^\s&"]*))"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(userInfo, QStringLiteral("\\1:***@"));
    out.replace(keyword, QStringLiteral("\\1***"));
    return out;
}

bool UriHoldsPassword(const QString& uri)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options)
        return MaskPassword(uri) != uri;
    bool held = false;
    for (const PQconninfoOption* o = options; o->keyword; ++o) {
        if (std::strcmp(o->keyword, "password") == 0 && o->val && *o->val)
            held = true;
    }
    PQconninfoFree(options);
    return held;
}

PgResult::~PgResult()
{
    PQclear(m_r);
}

PgResult& PgResult::operator=(PgResult&& o) noexcept
{
    if (this != &o) {
        PQclear(m_r);
        m_r = o.m_r;
        o.m_r = nullptr;
    }
    return *this;
}

bool PgResult::ok() const
{
    const ExecStatusType s = m_r ? PQresultStatus(m_r) : PGRES_FATAL_ERROR;
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

int PgResult::rows() const
{
    return m_r ? PQntuples(m_r) : 0;
}

int PgResult::columns() const
{
    return m_r ? PQnfields(m_r) : 0;
}

QVariant PgResult::value(int row, int column) const
{
    if (PQgetisnull(m_r, row, column))
        return QVariant(QMetaType::fromType<QString>());
    return decode(PQgetvalue(m_r, row, column), PQgetlength(m_r, row, column),
                  PQftype(m_r, column));
}

qint64 PgResult::integer(int row, int column) const
{
    const char* p = PQgetvalue(m_r, row, column);
    switch (PQftype(m_r, column)) {
    case kInt8:
        return fromBigEndian<qint64>(p);
    case kInt4:
        return fromBigEndian<qint32>(p);
    default:
        return value(row, column).toLongLong();
    }
}

PgLink::PgLink(const QString& uri)
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
        const QString why = error ? firstLines(error) : QStringLiteral("out of memory");
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
    if (!given.contains("application_name")) {
        m_keywords.push_back("application_name");
        m_values.push_back("Vantor");
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

void PgLink::connect()
{
    std::vector<const char*> keys, values;
    for (size_t i = 0; i < m_keywords.size(); ++i) {
        keys.push_back(m_keywords[i].constData());
        values.push_back(m_values[i].constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    const Deadline until = deadline();
    m_conn = PQconnectStartParams(keys.data(), values.data(), 0);
    if (!m_conn)
        throw DbError(QStringLiteral("Vantor cannot open the %1: out of memory.").arg(m_where));
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    const QString why = poll(false, until);
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
    const Deadline until = deadline();
    PQresetStart(m_conn);
    const QString why = poll(true, until);
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
    PgResult made(PQprepare(m_conn, p.name.constData(), sql.constData(), 0, nullptr));
    PgResult described(made.ok() ? PQdescribePrepared(m_conn, p.name.constData()) : nullptr);
    if (!made.ok() || !described.ok()) {
        const DbError e = failure(made.ok() ? described.get() : made.get());
        m_prepared.remove(sql);
        throw e;
    }
    const int count = PQnparams(described.get());
    p.types.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        p.types[size_t(i)] = PQparamtype(described.get(), i);
    p.generation = m_generation;
    return p;
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
        if (isNullValue(params[i]))
            continue;
        data[size_t(i)] = encode(params[i], p.types[size_t(i)]);
        pointers[size_t(i)] = data[size_t(i)].constData();
        lengths[size_t(i)] = int(data[size_t(i)].size());
    }
    return PgResult(PQexecPrepared(m_conn, p.name.constData(), count, pointers.data(),
                                   lengths.data(), binary.data(), 1));
}

PgResult PgLink::exec(const QByteArray& sql, const QVariantList& params, bool inTransaction)
{
    m_lastState.clear();
    if (!inTransaction)
        ensureOpen();
    else if (lost())
        throw unreachable({});
    PgResult r = run(prepare(sql), params);
    if (!r.ok())
        throw failure(r.get());
    return r;
}

QByteArray PgLink::command(const char* sql)
{
    PgResult r(PQexec(m_conn, sql));
    if (!r.ok())
        throw failure(r.get());
    return QByteArray(PQcmdStatus(r.get()));
}

DbError PgLink::failure(pg_result* r) const
{
    m_lastState.clear();
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
