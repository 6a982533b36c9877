#include "core/exchange/ProblemReader.h"

#include "core/data/Connection.h"
#include "core/data/TitleLookup.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"

#include <algorithm>

namespace {
QString ofTitle(qint64 softwareId)
{
    return QStringLiteral("[SoftwareID] = %1").arg(softwareId);
}
} // namespace

ProblemReader::ProblemReader(const QString& database, qint64 only)
    : m_connection(Connection::open(database, OpenMode::ExistingOnly)), m_only(only)
{
    m_connection->beginSnapshot();
    try {
        const QString where = only ? ofTitle(only) : QString();
        m_connection->engine().scanFields(
            QStringLiteral("Software"), where,
            {QStringLiteral("SoftwareID"), QStringLiteral("SoftwareTitle")},
            [this](const QVariant* v) {
                m_titles.push_back({v[0].toLongLong(), v[1].toString()});
            });
        if (only && m_titles.empty())
            throw DbError(QStringLiteral("The title to export is no longer in the database."));
    } catch (...) {
        m_connection->rollback();
        throw;
    }
}

ProblemReader::~ProblemReader()
{
    // It wrote nothing: ending the snapshot gives up its read lock or its server snapshot.
    m_connection->rollback();
}

qint64 ProblemReader::problemCount()
{
    QString sql = QStringLiteral("SELECT COUNT(*) FROM [Problems]");
    QVariantList values;
    if (m_only) {
        sql += QStringLiteral(" WHERE [SoftwareID] = ?");
        values << m_only;
    }
    return m_connection->query(sql, values).value(0).value(0).toLongLong();
}

qint64 ProblemReader::problemCount(qint64 softwareId)
{
    return m_connection
        ->query(QStringLiteral("SELECT COUNT(*) FROM [Problems] WHERE [SoftwareID] = ?"),
                {softwareId})
        .value(0)
        .value(0)
        .toLongLong();
}

void ProblemReader::problems(qint64 softwareId, const ProblemSink& sink)
{
    m_connection->engine().scanFields(
        QStringLiteral("Problems"), ofTitle(softwareId),
        {QStringLiteral("ProblemID"), QStringLiteral("Problem"), QStringLiteral("Solution")},
        [&](const QVariant* v) { sink(v[0].toLongLong(), v[1], v[2]); });
}

qint64 TitleKeyByName(Connection& connection, const QString& title)
{
    const TitleRef found = FindTitle(connection, title);
    if (!found.found())
        throw DbError(QStringLiteral("There is no title \"%1\" in the database.").arg(title));
    return found.key;
}
