#pragma once

#include "core/data/BoundField.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>

class Connection;
class RecordSource;

// A fresh folder with a Vantor database of its own, for the tests of the core: no settings
// file, no windows. The window tests build on it.
class CoreEnv {
public:
    virtual ~CoreEnv();

    QString folder() const { return m_dir.path(); }
    virtual QString dbPath() const { return m_dir.filePath(QStringLiteral("vantor.mdb")); }
    Connection& db();
    // A record source on this database, its SQL text run.
    std::unique_ptr<RecordSource> source(const QString& sql);

    qint64 addTitle(const QString& title, const QVariant& comments = {})
    {
        return insert("Software", {"SoftwareTitle", "Comments"}, {title, comments});
    }
    qint64 addVersion(qint64 softwareId, const QString& number, const QDate& date)
    {
        return insert("Versions", {"SoftwareID", "ReleaseNumber", "ReleaseDate"},
                      {softwareId, number, date.toString(Qt::ISODate)});
    }
    qint64 addChange(qint64 releaseId, const QString& change)
    {
        return insert("Changes", {"ReleaseID", "Change"}, {releaseId, change});
    }
    qint64 addFile(qint64 releaseId, const QString& file, const QString& version, const QDate& date)
    {
        return insert("Files", {"ReleaseID", "File", "Version", "Date"},
                      {releaseId, file, version, date.toString(Qt::ISODate)});
    }
    qint64 addProblem(qint64 softwareId, const QVariant& problem, const QVariant& solution)
    {
        return insert("Problems", {"SoftwareID", "Problem", "Solution"},
                      {softwareId, problem, solution});
    }

    // The first column of the first row of a query, or a null value.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    int count(const QString& table);

    // Runs body as one command: committed when it returns, rolled back when it throws.
    // Returns the text of the failure, empty when there was none.
    QString command(const std::function<void()>& body);

private:
    qint64 insert(const QString& table, const QStringList& fields, const QVariantList& values);
    QTemporaryDir m_dir;
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
