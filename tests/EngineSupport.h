#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>

class Connection;
class RecordSource;

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

// A fresh, empty Vantor database for one test on either engine: a file in a temporary folder,
// or a database of its own on the test server, dropped at the end. VANTOR_TEST_ENGINE
// ("sqlite" or "postgresql") chooses, unless the test names one; the same test then runs on
// both.
class TestDatabase {
public:
    enum Kind { File, Server };
    static Kind fromEnvironment();
    explicit TestDatabase(Kind kind = fromEnvironment());
    ~TestDatabase();

    Kind kind() const { return m_kind; }
    // The database setting: a file path or a connection URI.
    const QString& path() const { return m_path; }
    // The name of the database on the server; empty for a file.
    const QString& serverDatabase() const { return m_database; }
    Connection& db();
    // A record source on this database, its SQL text run.
    std::unique_ptr<RecordSource> source(const QString& sql);

    qint64 insert(const QString& table, const QStringList& fields, const QVariantList& values);
    qint64 addTitle(const QString& title, const QVariant& comments = {})
    {
        return insert("Software", {"SoftwareTitle", "Comments"}, {title, comments});
    }
    qint64 addVersion(qint64 softwareId, const QString& number, const QDate& date)
    {
        return insert("Versions", {"SoftwareID", "ReleaseNumber", "ReleaseDate"},
                      {softwareId, number, date});
    }
    qint64 addChange(qint64 releaseId, const QString& change)
    {
        return insert("Changes", {"ReleaseID", "Change"}, {releaseId, change});
    }
    qint64 addFile(qint64 releaseId, const QString& file, const QString& version, const QDate& date)
    {
        return insert("Files", {"ReleaseID", "File", "Version", "Date"},
                      {releaseId, file, version, date});
    }
    qint64 addProblem(qint64 softwareId, const QVariant& problem, const QVariant& solution)
    {
        return insert("Problems", {"SoftwareID", "Problem", "Solution"},
                      {softwareId, problem, solution});
    }

    // The first column of the first row of a query in the program's dialect, or a null value.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    int count(const QString& table);

private:
    Kind m_kind;
    QTemporaryDir m_dir;
    QString m_database; // on the server
    QString m_path;
};

// Runs body as one command on the connection, as the windows run theirs: committed when it
// returns, rolled back when it throws. The text of the failure, empty when there was none.
QString RunAsCommand(Connection& connection, const std::function<void()>& body);
