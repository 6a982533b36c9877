#include "core/data/CopySource.h"

#include "core/data/Connection.h"
#include "core/engine/Engine.h"

const QStringList& RecordTables()
{
    static const QStringList tables = {"Software", "Versions", "Changes", "Files", "Problems"};
    return tables;
}

DatabaseSource::DatabaseSource(const QString& path)
    : m_path(path), m_connection(Connection::open(path, OpenMode::ExistingOnly))
{
    m_connection->beginSnapshot();
}

DatabaseSource::~DatabaseSource()
{
    // It wrote nothing: ending the snapshot gives up its read lock or its server snapshot.
    m_connection->rollback();
}

QString DatabaseSource::shownName() const
{
    return ShownDatabase(m_path);
}

QStringList DatabaseSource::fields(const QString& table)
{
    QStringList names;
    for (const QString& c : m_connection->engine().columns(table))
        names << c;
    return names;
}

qint64 DatabaseSource::count(const QString& table)
{
    return m_connection->query(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table))
        .value(0)
        .value(0)
        .toLongLong();
}

void DatabaseSource::rows(const QString& table, const RowSink& row)
{
    Engine& e = m_connection->engine();
    const QStringList names = fields(table);
    const std::vector<qint64> keys = e.keys(table, QString());
    e.readFields(table, names, keys.data(), int(keys.size()),
                 [&](int, const QVariant* values) { row(values); });
}
