#include "core/engine/pg/PgAddress.h"

#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include <libpq-fe.h>

#include <cstring>

namespace {
// The options libpq read from the address, by keyword; empty when it could not read it.
QHash<QByteArray, QString> parsed(const QString& uri, bool* readable)
{
    QHash<QByteArray, QString> given;
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.toUtf8().constData(), &error);
    PQfreemem(error);
    *readable = options != nullptr;
    for (const PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (o->val && *o->val)
            given.insert(QByteArray(o->keyword), QString::fromUtf8(o->val));
    }
    PQconninfoFree(options);
    return given;
}

QString encoded(const QString& part)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(part, ",[]:"));
}
} // namespace

QString ShownAddress(const QString& uri)
{
    bool readable = false;
    const QHash<QByteArray, QString> given = parsed(uri, &readable);
    if (!readable)
        return QStringLiteral("postgresql://(an address that cannot be read)");
    const QString host = given.value("host", given.value("hostaddr"));
    const QString port = given.value("port");
    const QString user = given.value("user");
    // A socket folder is a path: it goes into the query, as libpq reads it there.
    const bool socket = host.startsWith(QLatin1Char('/'));
    QString shown = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        shown += encoded(user) + QLatin1Char('@');
    if (!socket) {
        shown += encoded(host);
        if (!port.isEmpty())
            shown += QLatin1Char(':') + encoded(port);
    }
    shown += QLatin1Char('/') + encoded(given.value("dbname"));
    if (socket) {
        shown += QStringLiteral("?host=") + encoded(host).replace(QLatin1String("%2F"), "/");
        if (!port.isEmpty())
            shown += QStringLiteral("&port=") + encoded(port);
    }
    return shown;
}

bool UriHoldsPassword(const QString& uri)
{
    bool readable = false;
    const QHash<QByteArray, QString> given = parsed(uri, &readable);
    if (!readable)
        return MaskPassword(uri) != uri;
    return given.contains("password");
}

QString MaskPassword(const QString& text)
{
    static const QRegularExpression userInfo(
        QStringLiteral(R"((postgres(?:ql)?://[^:/@?#\s"]*):[^\s"]*@)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression keyword(
        QStringLiteral(R"((password\s*=\s*)('(?:[^'\\]|\\.)*'?|[^\s&"]*))"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(userInfo, QStringLiteral("\\1:***@"));
    out.replace(keyword, QStringLiteral("\\1***"));
    return out;
}

QString AddressFault(const char* libpqError)
{
    if (!libpqError)
        return QStringLiteral("out of memory");
    QString why = QString::fromUtf8(libpqError).simplified();
    // libpq ends its complaints with the piece of the address it stumbled on, in quotes; that
    // piece may be the password. An unknown parameter's name is only a name.
    if (!why.startsWith(QLatin1String("invalid URI query parameter"))) {
        const qsizetype quoted = why.indexOf(QLatin1String(": \""));
        if (quoted >= 0)
            why.truncate(quoted);
    }
    return why;
}
