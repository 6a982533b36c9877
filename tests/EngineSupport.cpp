#include "tests/EngineSupport.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <libpq-fe.h>

namespace PgTestServer {
namespace {
QString folder()
{
    return qEnvironmentVariable("VANTOR_PGTEST_DIR");
}

void script(const char* command)
{
    QProcess p;
    p.start(qEnvironmentVariable("VANTOR_PGTEST_SCRIPT"), {QString::fromLatin1(command), folder()});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("pg-test-server.sh %s failed: %s", command, p.readAllStandardError().constData());
}
} // namespace

bool available()
{
    return !folder().isEmpty() && QFile::exists(folder() + QStringLiteral("/uri"));
}

QString uri(const QString& database)
{
    QFile f(folder() + QStringLiteral("/uri"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no test server in %s", qPrintable(folder()));
    QString text = QString::fromUtf8(f.readAll()).trimmed();
    return text.replace(QStringLiteral(":///vantor?"), QStringLiteral(":///%1?").arg(database));
}

QString setting(const char* name)
{
    QFile f(folder() + QStringLiteral("/env"));
    f.open(QIODevice::ReadOnly);
    const QRegularExpression line(QStringLiteral("^%1=(.*)$").arg(QLatin1String(name)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(f.readAll())).captured(1);
}

QString admin(const QString& sql, const QString& database)
{
    PGconn* c = PQconnectdb(uri(database).toUtf8().constData());
    PGresult* r = PQexec(c, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(r);
    QString value;
    if (status == PGRES_TUPLES_OK && PQntuples(r) > 0)
        value = QString::fromUtf8(PQgetvalue(r, 0, 0));
    const QByteArray error = PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        qFatal("%s: %s", qPrintable(sql), error.constData());
    return value;
}

QString createDatabase()
{
    static int serial = 0;
    const QString name =
        QStringLiteral("vt_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    admin(QStringLiteral("CREATE DATABASE %1").arg(name));
    return name;
}

Halt::Halt()
{
    script("halt");
}

Halt::~Halt()
{
    resume();
}

void Halt::resume()
{
    if (m_halted)
        script("resume");
    m_halted = false;
}
} // namespace PgTestServer

TestDatabase::Kind TestDatabase::fromEnvironment()
{
    return qEnvironmentVariable("VANTOR_TEST_ENGINE") == QLatin1String("postgresql") ? Server
                                                                                     : File;
}

TestDatabase::TestDatabase(Kind kind) : m_kind(kind)
{
    if (kind == File) {
        m_path = m_dir.filePath(QStringLiteral("vantor.mdb"));
        return;
    }
    if (!PgTestServer::available())
        qFatal("the tests of the server engine need the test server (run them through CTest)");
    m_database = PgTestServer::createDatabase();
    m_path = PgTestServer::uri(m_database);
}

TestDatabase::~TestDatabase()
{
    Connection::closeAll();
    if (!m_database.isEmpty())
        PgTestServer::admin(
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
}

Connection& TestDatabase::db()
{
    return *Connection::shared(m_path);
}

std::unique_ptr<RecordSource> TestDatabase::source(const QString& sql)
{
    auto s = std::make_unique<RecordSource>(QStringLiteral("set"));
    s->setConnectionString(ConnectionText(m_path));
    s->setRecordSource(sql);
    s->Refresh();
    return s;
}

qint64 TestDatabase::insert(const QString& table, const QStringList& fields,
                            const QVariantList& values)
{
    Transaction t(db());
    const qint64 key = db().engine().insert(table, fields, values);
    t.commit();
    return key;
}

QVariant TestDatabase::scalar(const QString& sql, const QVariantList& values)
{
    const Engine::Rows rows = db().query(sql, values);
    return rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
}

int TestDatabase::count(const QString& table)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table)).toInt();
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
