#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class Connection;

// The tables that hold records, parents first, so that every row finds the row it belongs to:
// the order in which a copy asks a source for them.
const QStringList& RecordTables();

// Where a copy into a Vantor database takes its records from: another Vantor database, or a
// file of another kind that holds the same records. Tables are asked for parents first
// ("Software", "Versions", "Changes", "Files", "Problems"), each table once.
class CopySource {
public:
    using RowSink = std::function<void(const QVariant* values)>;
    virtual ~CopySource() = default;

    // The source as messages name it (no password of a server address in it).
    virtual QString shownName() const = 0;
    // The fields of table that the copy writes, spelled as Vantor's tables spell them, the key
    // first.
    virtual QStringList fields(const QString& table) = 0;
    // How many rows rows() gives for table.
    virtual qint64 count(const QString& table) = 0;
    // Every row of table, keys ascending, one value per field in the order of fields().
    virtual void rows(const QString& table, const RowSink& row) = 0;
    // What the copy should say about the source beyond the counts (rows it left out and why),
    // one sentence each; asked once every table was read.
    virtual QStringList remarks() const { return {}; }
};

// A Vantor database, a file or a server, opened for reading only and read as one snapshot:
// what others commit while the copy runs is not seen, so the copy holds the database as it
// was at one moment. Throws DbError when it cannot be opened.
class DatabaseSource final : public CopySource {
public:
    explicit DatabaseSource(const QString& path);
    ~DatabaseSource() override;

    QString shownName() const override;
    QStringList fields(const QString& table) override;
    qint64 count(const QString& table) override;
    void rows(const QString& table, const RowSink& row) override;

private:
    QString m_path;
    std::shared_ptr<Connection> m_connection;
};
