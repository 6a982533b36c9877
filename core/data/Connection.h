#pragma once

#include "core/engine/Engine.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>

#include <memory>

// One open database. The record sources that name the same database share it; the engine
// behind it is chosen by the database setting: a PostgreSQL connection URI
// ("postgresql://..." or "postgres://...") names a server database, anything else a file.
class Connection : public QObject {
    Q_OBJECT
public:
    ~Connection() override;

    // Opens the database, creating it with the schema when it does not exist yet (a missing
    // file, an empty server database) and mode allows. Throws DbError with a sentence that says
    // why the database cannot serve.
    static std::shared_ptr<Connection> open(const QString& path,
                                            OpenMode mode = OpenMode::CreateIfNew);
    // The open connection for the path, opened on first use.
    static std::shared_ptr<Connection> shared(const QString& path);
    // Forgets the shared connections (they close once no source holds them). Runs by itself
    // when the application object is destroyed.
    static void closeAll();

    const QString& path() const { return m_path; }
    QSqlDatabase db() const;
    // What the record sources read and write through.
    Engine& engine() const { return *m_engine; }

    bool onServer() const { return m_onServer; }
    // Runs one statement with its bound values; throws DbError on failure. A database file
    // only: on a server it throws.
    QSqlQuery run(const QString& sql, const QVariantList& values = {});
    // Runs one statement in the program's dialect ([Names], "?" for each value) on either
    // engine; its rows.
    Engine::Rows query(const QString& sql, const QVariantList& values = {});

    // One transaction per command; nested scopes join the outer one. A snapshot is the
    // outermost transaction of a reader that must see one moment of the whole database.
    void begin();
    void beginSnapshot();
    void commit();
    void rollback();
    bool inTransaction() const { return m_depth > 0; }
    // A command nested in another failed: the outer one must roll back and report this.
    void noteFailure(const QString& text);

signals:
    // The outermost transaction was rolled back: what was written in it is gone.
    void rolledBack();
    void committed();

private:
    Connection(const QString& path, std::unique_ptr<Engine> engine, bool onServer);
    void beginOutermost(void (Engine::*start)());
    QString m_path;
    std::unique_ptr<Engine> m_engine;
    bool m_onServer;
    int m_depth = 0;
    bool m_failed = false;
    QString m_failureText;
};

// Begins a transaction scope; commits on commit(), rolls back when left without it.
class Transaction {
public:
    enum Kind { Command, Snapshot };
    explicit Transaction(Connection& c, Kind kind = Command) : m_c(c)
    {
        if (kind == Snapshot)
            m_c.beginSnapshot();
        else
            m_c.begin();
    }
    ~Transaction()
    {
        if (!m_done)
            m_c.rollback();
    }
    void commit()
    {
        m_done = true;
        m_c.commit();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Connection& m_c;
    bool m_done = false;
};

// True when the database setting names a server database rather than a file.
bool IsServerDatabase(const QString& path);
// The database setting as it may be shown: no password of a connection URI in it.
QString ShownDatabase(const QString& path);
// Why the setting may not go into the settings file, in words for the user: a connection URI
// with a password in it (the file is plain text) or one libpq cannot read. Empty when it may.
QString DatabaseSettingFault(const QString& path);
// Why an address named on the command line is refused: one holding a password, which every
// local user could read there (/proc/PID/cmdline). Empty when it may be used.
QString CommandLineAddressFault(const QString& path);
// Where a server's password belongs instead, for the messages that refuse one.
QString PasswordAdvice();

// The connection text of a record source for a database path, and the path back from it.
QString ConnectionText(const QString& databasePath);
QString DataSourceOf(const QString& connectionText);
