#include "core/sql/SqlText.h"

#include <QRegularExpression>
#include <QStringList>

namespace Sql {

// A text between single quotes, each quote inside it doubled: the form criteria take.
static QString quotedText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QString Quoted(const QString& text)
{
    // A NUL would end the SQL statement early; it joins the literal as char(0) instead.
    QString out = quotedText(text);
    out.replace(QChar(0), QLatin1String("' || char(0) || '"));
    return out;
}

QString Bracketed(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QString SoftwareByTitle(const QString& title)
{
    return QStringLiteral("SELECT * FROM [Software] WHERE [SoftwareTitle] = ") + Quoted(title);
}

QString VersionsOf(qint64 softwareId)
{
    return QStringLiteral("SELECT * FROM [Versions] WHERE [SoftwareID] = ") +
           QString::number(softwareId);
}

QString ProblemsOf(qint64 softwareId)
{
    return QStringLiteral("SELECT * FROM [Problems] WHERE [SoftwareID] = ") +
           QString::number(softwareId);
}

// A key that came from a list is digits; anything else would make a broken text.
static QString keyDigits(const QString& id)
{
    bool ok = false;
    qint64 n = id.trimmed().toLongLong(&ok);
    return QString::number(ok ? n : -1);
}

QString ChangesOf(const QString& releaseId)
{
    return QStringLiteral("SELECT * FROM [Changes] WHERE [ReleaseID] = ") + keyDigits(releaseId);
}

QString FilesOf(const QString& releaseId)
{
    return QStringLiteral("SELECT * FROM [Files] WHERE [ReleaseID] = ") + keyDigits(releaseId);
}

QString ConvertWildcards(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('*'), QLatin1Char('%'));
    return out;
}

QString ProblemSearch(qint64 softwareId, const QString& problem, const QString& solution)
{
    QString sql = ProblemsOf(softwareId);
    if (!problem.isEmpty())
        sql += QStringLiteral(" AND [Problem] LIKE ") + Quoted(ConvertWildcards(problem));
    if (!solution.isEmpty())
        sql += QStringLiteral(" AND [Solution] LIKE ") + Quoted(ConvertWildcards(solution));
    return sql;
}

bool IsSearch(const QString& where)
{
    static const QRegularExpression like(QStringLiteral("\\bLIKE\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    // A doubled quote inside a text closes and opens it again, which leaves the split alike.
    const QStringList parts = where.split(QLatin1Char('\''));
    for (int i = 0; i < parts.size(); i += 2) {
        if (like.match(parts[i]).hasMatch())
            return true;
    }
    return false;
}

QString TitleCriterion(const QString& title)
{
    return QStringLiteral("SoftwareTitle = ") + quotedText(title);
}

QString ReleaseCriterion(const QString& releaseId)
{
    return QStringLiteral("ReleaseID = ") + keyDigits(releaseId);
}

QString ChangeCriterion(const QString& changeId, bool bracketed)
{
    return (bracketed ? QStringLiteral("[ChangeID] = ") : QStringLiteral("ChangeID = ")) +
           keyDigits(changeId);
}

QString FileCriterion(const QString& fileId, bool bracketed)
{
    return (bracketed ? QStringLiteral("[FileID] = ") : QStringLiteral("FileID = ")) +
           keyDigits(fileId);
}

} // namespace Sql
