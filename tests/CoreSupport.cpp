#include "tests/CoreSupport.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "tests/EngineSupport.h"

CoreEnv::Kind CoreEnv::fromEnvironment()
{
    return qEnvironmentVariable("VANTOR_TEST_ENGINE") == QLatin1String("postgresql") ? Server
                                                                                     : File;
}

CoreEnv::CoreEnv(Kind kind) : m_kind(kind)
{
    if (kind == File) {
        m_path = m_dir.filePath(QStringLiteral("vantor.mdb"));
        return;
    }
    if (!PgTestServer::available())
        qFatal("the tests on the server engine need the test server (run them through CTest)");
    m_database = PgTestServer::createDatabase();
    m_path = PgTestServer::uri(m_database);
}

CoreEnv::~CoreEnv()
{
    Connection::closeAll();
    if (!m_database.isEmpty())
        PgTestServer::admin(
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
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
    Transaction t(db());
    const qint64 key = db().engine().insert(table, fields, values);
    t.commit();
    return key;
}

QList<QVariantList> CoreEnv::rows(const QString& sql, const QVariantList& values)
{
    return db().query(sql, values);
}

QVariant CoreEnv::scalar(const QString& sql, const QVariantList& values)
{
    const Engine::Rows found = rows(sql, values);
    return found.isEmpty() || found.first().isEmpty() ? QVariant() : found.first().first();
}

int CoreEnv::count(const QString& table)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table)).toInt();
}

QString CoreEnv::joined(const QString& sql, const QVariantList& values, const QString& separator)
{
    const Engine::Rows found = rows(sql, values);
    if (found.isEmpty())
        return {};
    QStringList parts;
    for (const QVariant& v : found.first()) {
        if (v.isNull())
            return {};
        parts << (v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : v.toString());
    }
    return parts.join(separator);
}

QString CoreEnv::command(const std::function<void()>& body)
{
    return RunAsCommand(db(), body);
}

namespace {
// Runs SQL as the server's superuser in the test's database; no lock is waited on for long,
// so that a test that holds one fails instead of hanging.
void onServer(CoreEnv& env, const QString& sql)
{
    PgTestServer::admin(QStringLiteral("SET lock_timeout = '20s'; ") + sql, env.serverDatabase());
}

// The trigger's function on the server; stop() lets it pass the rows through, since dropping
// the trigger would wait for a command of the program that still reads the table.
QString serverFunction(const QString& name, bool failing)
{
    const QString body =
        failing ? QStringLiteral("RAISE EXCEPTION '%1';").arg(QLatin1String(FailingWrites::kReason))
                : QStringLiteral("RETURN COALESCE(NEW, OLD);");
    return QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql "
                          "AS $f$ BEGIN %2 END $f$;")
        .arg(name, body);
}
} // namespace

FailingWrites::FailingWrites(CoreEnv& env, const char* event, const char* table)
    : m_env(env),
      m_trigger(QStringLiteral("fail_%1_%2").arg(QLatin1String(event), QLatin1String(table)))
{
    if (env.onServer()) {
        m_trigger = m_trigger.toLower();
        onServer(env, serverFunction(m_trigger, true) +
                          QStringLiteral("CREATE OR REPLACE TRIGGER %1 BEFORE %2 ON %3 FOR EACH "
                                         "ROW EXECUTE FUNCTION %1();")
                              .arg(m_trigger, QLatin1String(event),
                                   QString::fromLatin1(table).toLower()));
        return;
    }
    m_env.db().run(
        QStringLiteral("CREATE TRIGGER [%1] BEFORE %2 ON [%3] BEGIN "
                       "SELECT RAISE(ABORT, '%4'); END")
            .arg(m_trigger, QLatin1String(event), QLatin1String(table), QLatin1String(kReason)));
}

FailingWrites::~FailingWrites()
{
    stop();
}

void FailingWrites::stop()
{
    if (m_trigger.isEmpty())
        return;
    if (m_env.onServer())
        onServer(m_env, serverFunction(m_trigger, false));
    else
        m_env.db().run(QStringLiteral("DROP TRIGGER [%1]").arg(m_trigger));
    m_trigger.clear();
}

QString RunAsCommand(Connection& connection, const std::function<void()>& body)
{
    try {
        Transaction t(connection);
        body();
        t.commit();
        return {};
    } catch (const DbError& e) {
        return e.text();
    }
}

QStringList AllRecords(Connection& c)
{
    QStringList rows;
    for (const char* table : {"Software", "Versions", "Changes", "Files", "Problems"}) {
        Engine& e = c.engine();
        const QString name = QString::fromLatin1(table);
        QStringList columns;
        for (const QString& column : e.columns(name))
            columns << column;
        const std::vector<qint64> keys = e.keys(name, QString());
        e.readFields(
            name, columns, keys.data(), int(keys.size()), [&](int, const QVariant* values) {
                QStringList row{name};
                for (qsizetype i = 0; i < columns.size(); ++i) {
                    const QVariant& v = values[i];
                    row << (v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                            : v.toString().isNull()        ? QStringLiteral("<NULL>")
                                                           : v.toString());
                }
                rows << row.join(QLatin1Char('|'));
            });
    }
    return rows;
}
