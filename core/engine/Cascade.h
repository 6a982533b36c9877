#pragma once

#include <QRegularExpression>
#include <QString>

#include <vector>

// The rows a delete takes with it: each child table names its parent by a field whose foreign
// key deletes the child with the parent (a title's versions and problems, a version's changes
// and files). A delete is checked against every row it would remove.
struct CascadeLink {
    QString parent;
    QString child;
    QString field; // the child's field holding the parent's key
};

inline const std::vector<CascadeLink>& CascadeLinks()
{
    static const std::vector<CascadeLink> links = {
        {QStringLiteral("Software"), QStringLiteral("Versions"), QStringLiteral("SoftwareID")},
        {QStringLiteral("Software"), QStringLiteral("Problems"), QStringLiteral("SoftwareID")},
        {QStringLiteral("Versions"), QStringLiteral("Changes"), QStringLiteral("ReleaseID")},
        {QStringLiteral("Versions"), QStringLiteral("Files"), QStringLiteral("ReleaseID")},
    };
    return links;
}

inline bool IsParentTable(const QString& table)
{
    for (const CascadeLink& link : CascadeLinks()) {
        if (link.parent == table)
            return true;
    }
    return false;
}

// A table's name as the program spells it, whatever the letter case it was given in; other
// names as given.
inline QString VantorTableName(const QString& name)
{
    static const QString tables[] = {QStringLiteral("Software"), QStringLiteral("Versions"),
                                     QStringLiteral("Changes"), QStringLiteral("Files"),
                                     QStringLiteral("Problems")};
    for (const QString& t : tables) {
        if (t.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    }
    return name;
}

// The parent whose every child a read of the table lists, when its condition is nothing but
// "[Field] = KEY" on the field naming the parent; 0 otherwise (a search lists only some).
inline qint64 ListedParent(const QString& table, const QString& where)
{
    static const QRegularExpression parentIs(QStringLiteral(R"(^\s*\[?(\w+)\]?\s*=\s*(\d+)\s*$)"));
    const QRegularExpressionMatch m = parentIs.match(where);
    if (!m.hasMatch())
        return 0;
    const QString child = VantorTableName(table);
    for (const CascadeLink& link : CascadeLinks()) {
        if (link.child == child && link.field.compare(m.captured(1), Qt::CaseInsensitive) == 0)
            return m.captured(2).toLongLong();
    }
    return 0;
}
