#pragma once

#include <QByteArray>
#include <QList>
#include <QVariant>

#include <libpq-fe.h>

// A value for an int8[] parameter: the keys of a block of rows.
using KeyArray = QList<qint64>;

// A result of one statement, read in binary. Values come as the SQLite engine gives them:
// integers as 64-bit, texts as QString, dates as QDate, NULL as a null text.
class PgResult {
public:
    explicit PgResult(pg_result* r = nullptr) : m_r(r) {}
    ~PgResult();
    PgResult(PgResult&& o) noexcept : m_r(o.m_r) { o.m_r = nullptr; }
    PgResult& operator=(PgResult&& o) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    bool ok() const;
    pg_result* get() const { return m_r; }
    int rows() const;
    int columns() const;
    QVariant value(int row, int column) const;
    // An integer column without the detour through QVariant: the keys of long sets.
    qint64 integer(int row, int column) const;

private:
    pg_result* m_r;
};

// A parameter in the binary form of the type the server expects at its place (0: a text);
// throws DbError for a value that has no such form, such as a text holding NUL.
QByteArray PgEncode(const QVariant& v, Oid type);
// A value sent as SQL NULL.
bool PgIsNull(const QVariant& v);
