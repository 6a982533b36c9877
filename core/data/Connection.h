#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>

#include <memory>

struct sqlite3;

// One open database file. The record sources that name the same file share it.
class Connection : public QObject {
    Q_OBJECT
public:
    ~Connection() override;

    // Opens the file, creating it with the schema when no file exists at the path.
    // Throws DbError with a sentence that says why the file cannot serve.
    static std::shared_ptr<Connection> open(const QString& path);
    // The open connection for the path, opened on first use.
    static std::shared_ptr<Connection> shared(const QString& path);
    // Forgets the shared connections (they close once no source holds them).
    static void closeAll();

    const QString& path() const { return m_path; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

    // The driver's own handle, for the reads that are too many to go through QSqlQuery.
    sqlite3* handle() const;

    // Runs one statement with its bound values; throws DbError on failure.
    QSqlQuery run(const QString& sql, const QVariantList& values = {});
    // Runs a statement that changes the file: refused when the file may no longer be written
    // or another program kept the write lock of this command.
    QSqlQuery write(const QString& sql, const QVariantList& values = {});

    // One transaction per command; nested scopes join the outer one.
    void begin();
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
    Connection(const QString& path, const QString& name);
    QString m_path;
    QString m_name;
    sqlite3* m_handle = nullptr;
    int m_depth = 0;
    bool m_failed = false;
    QString m_failureText;
    // Why the open command could not take the write lock; empty when it holds it.
    QString m_lockRefused;
};

// Begins a transaction scope; commits on commit(), rolls back when left without it.
class Transaction {
public:
    explicit Transaction(Connection& c) : m_c(c) { m_c.begin(); }
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

// The connection text of a record source for a database path, and the path back from it.
QString ConnectionText(const QString& databasePath);
QString DataSourceOf(const QString& connectionText);
