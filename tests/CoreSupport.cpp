#include "tests/CoreSupport.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"

#include <QSqlQuery>

CoreEnv::~CoreEnv()
{
    Connection::closeAll();
}

Connection& CoreEnv::db()
{
    return *Connection::shared(dbPath());
}

std::unique_ptr<RecordSource> CoreEnv::source(const QString& sql)
{
    auto s = std::make_unique<RecordSource>(QStringLiteral("set"));
    s->setConnectionString(ConnectionText(dbPath()));
    s->setRecordSource(sql);
    s->Refresh();
    return s;
}

qint64 CoreEnv::insert(const QString& table, const QStringList& fields, const QVariantList& values)
{
    QStringList marks;
    for (qsizetype i = 0; i < fields.size(); ++i)
        marks << QStringLiteral("?");
    const QString sql = QStringLiteral("INSERT INTO [%1] ([%2]) VALUES (%3)")
                            .arg(table, fields.join(QStringLiteral("], [")), marks.join(','));
    return db().run(sql, values).lastInsertId().toLongLong();
}

QVariant CoreEnv::scalar(const QString& sql, const QVariantList& values)
{
    QSqlQuery q = db().run(sql, values);
    return q.next() ? q.value(0) : QVariant();
}

int CoreEnv::count(const QString& table)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table)).toInt();
}

QString CoreEnv::command(const std::function<void()>& body)
{
    try {
        Transaction t(db());
        body();
        t.commit();
        return {};
    } catch (const DbError& e) {
        return e.text();
    }
}
