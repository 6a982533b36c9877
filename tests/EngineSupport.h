#pragma once

#include <QString>

// The throwaway PostgreSQL server that the test command starts (scripts/pg-test-server.sh, a
// CTest fixture); its folder comes in VANTOR_PGTEST_DIR.
namespace PgTestServer {
bool available();
// The URI of a database on it for the trusted role, or of the server's database "vantor".
QString uri(const QString& database = QStringLiteral("vantor"));
// A value the script wrote into DIR/env: PGTEST_HOST, PGTEST_PORT, PGTEST_PW_ROLE, ...
QString setting(const char* name);
// Runs SQL as the superuser in the maintenance database; the first value of its first row.
QString admin(const QString& sql, const QString& database = QStringLiteral("postgres"));
// A new empty database; its name.
QString createDatabase();
// Stops the server (folders and port kept) until resume(), or the end of the scope, starts it
// again: a test that fails while it is away leaves it running for the next.
class Halt {
public:
    Halt();
    ~Halt();
    void resume();
    Halt(const Halt&) = delete;
    Halt& operator=(const Halt&) = delete;

private:
    bool m_halted = true;
};
} // namespace PgTestServer
