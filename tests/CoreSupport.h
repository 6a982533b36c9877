#pragma once

#include "core/data/BoundField.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>

class Connection;
class RecordSource;

// A fresh, empty Vantor database for one test on either engine: a file in a temporary folder,
// or a database of its own on the test server, dropped at the end. VANTOR_TEST_ENGINE
// ("sqlite" or "postgresql") chooses, unless the test names one, so that one suite runs on
// both. No settings file, no windows: the window tests build on it.
class CoreEnv {
public:
    enum Kind { File, Server };
    static Kind fromEnvironment();
    // Whether this run's suites work on the test server; a case for files alone skips there.
    static bool serverRun() { return fromEnvironment() == Server; }
    explicit CoreEnv(Kind kind = fromEnvironment());
    virtual ~CoreEnv();
    CoreEnv(const CoreEnv&) = delete;
    CoreEnv& operator=(const CoreEnv&) = delete;

    Kind kind() const { return m_kind; }
    bool onServer() const { return m_kind == Server; }
    // A folder of the test's own, on either engine.
    QString folder() const { return m_dir.path(); }
    // The database setting: a file path or a connection URI.
    virtual QString dbPath() const { return m_path; }
    // The name of the database on the server; empty for a file.
    const QString& serverDatabase() const { return m_database; }
    Connection& db();
    // A record source on this database, its SQL text run.
    std::unique_ptr<RecordSource> source(const QString& sql);

    // Dates go in as dates, so each engine stores them in its own form.
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

    // One statement in the program's dialect on either engine; its rows.
    QList<QVariantList> rows(const QString& sql, const QVariantList& values = {});
    // The first column of the first row of such a statement, or a null value.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    int count(const QString& table);
    // The fields of the first row joined, dates as ISO texts; null when one is NULL, as the
    // fields joined by || in SQL would be.
    QString joined(const QString& sql, const QVariantList& values = {},
                   const QString& separator = QStringLiteral("|"));

    // Runs body as one command: committed when it returns, rolled back when it throws.
    // Returns the text of the failure, empty when there was none.
    QString command(const std::function<void()>& body);

private:
    Kind m_kind;
    QTemporaryDir m_dir;
    QString m_database; // on the server
    QString m_path;
};

// Every row of every table with its key, one line each ("Versions|7|2|1.0|2001-03-03"), tables
// parents first and rows by key, dates as ISO text and <NULL> apart from an empty text: what
// must be equal after a copy.
QStringList AllRecords(Connection& c);

// Runs body as one command on the connection, as the windows run theirs: committed when it
// returns, rolled back when it throws. The text of the failure, empty when there was none.
QString RunAsCommand(Connection& connection, const std::function<void()>& body);

// The database refuses one kind of write ("INSERT", "UPDATE" or "DELETE") to a table, as a full
// disk would, until stop() or the end of the scope.
class FailingWrites {
public:
    static constexpr const char* kReason = "the disk is full";

    FailingWrites(CoreEnv& env, const char* event, const char* table);
    ~FailingWrites();
    void stop();

private:
    CoreEnv& m_env;
    QString m_trigger;
};

// A bound box without a widget: what it shows, whether it was typed into since, and whether
// it takes typing.
class FakeBox : public BoundField {
public:
    QString text;
    bool modified = false;
    bool editable = true;

    // Types into the box as a user would.
    void type(const QString& typed)
    {
        text = typed;
        modified = true;
    }
    QString boundText() const override { return text; }
    void showValue(const QString& shown, bool typed) override
    {
        text = shown;
        modified = typed;
    }
    bool isBoundModified() const override { return modified; }
    void setBoundModified(bool typed) override { modified = typed; }
    void setBoundEditable(bool takesTyping) override { editable = takesTyping; }
};
