#include "core/engine/pg/PgValues.h"

#include "core/engine/DbError.h"
#include "core/text/Utf8Text.h"

#include <QDate>
#include <QDateTime>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

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
            return QVariant(Utf8Text(p, length));
        return QVariant(QByteArray(p, length));
    }
}
} // namespace

QByteArray PgEncode(const QVariant& v, Oid type)
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

bool PgIsNull(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return true;
    if (v.typeId() == QMetaType::QString)
        return v.toString().isNull();
    return false;
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
