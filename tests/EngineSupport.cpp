#include "tests/EngineSupport.h"

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
