#pragma once

// The problem search as the server engine sends it, through libpq alone: one connection, the
// statements prepared once, results in binary. The keys of the matches and the first match's
// texts, as the window reads them.
#include "core/sql/PgLike.h"

#include <QString>
#include <QtEndian>

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

class PlainLibpqSearch {
public:
    explicit PlainLibpqSearch(const QString& uri) : m_c(PQconnectdb(uri.toUtf8().constData()))
    {
        if (PQstatus(m_c) != CONNECTION_OK)
            fail("connect");
        prepare("search", "SELECT problemid FROM problems WHERE softwareid = $1 AND problem "
                          "COLLATE \"C\" ~ $2 ORDER BY problemid");
        prepare("row", "SELECT problem, solution FROM problems WHERE problemid = $1");
    }
    ~PlainLibpqSearch() { PQfinish(m_c); }
    PlainLibpqSearch(const PlainLibpqSearch&) = delete;
    PlainLibpqSearch& operator=(const PlainLibpqSearch&) = delete;

    // The matches of a LIKE pattern ("%driver%") in a title's problems.
    const std::vector<qint64>& run(qint64 softwareId, const QString& pattern)
    {
        const std::string id = std::to_string(softwareId);
        const QByteArray regex = PgLikeRegex(pattern);
        const char* values[] = {id.c_str(), regex.constData()};
        PGresult* r = PQexecPrepared(m_c, "search", 2, values, nullptr, nullptr, 1);
        m_keys.resize(size_t(PQntuples(r)));
        for (int i = 0; i < PQntuples(r); ++i) {
            quint64 k;
            std::memcpy(&k, PQgetvalue(r, i, 0), 8);
            m_keys[size_t(i)] = qint64(qFromBigEndian(k));
        }
        PQclear(r);
        if (!m_keys.empty()) {
            const std::string first = std::to_string(m_keys.front());
            const char* key[] = {first.c_str()};
            PQclear(PQexecPrepared(m_c, "row", 1, key, nullptr, nullptr, 1));
        }
        return m_keys;
    }

private:
    void prepare(const char* name, const char* sql)
    {
        PGresult* r = PQprepare(m_c, name, sql, 0, nullptr);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok)
            fail(name);
    }
    [[noreturn]] void fail(const char* what)
    {
        std::fprintf(stderr, "plain libpq, %s: %s\n", what, PQerrorMessage(m_c));
        std::abort();
    }

    PGconn* m_c;
    std::vector<qint64> m_keys;
};
