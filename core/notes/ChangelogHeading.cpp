// The pieces of a changelog's lines: version headings, dates and table cells.
#include "core/notes/ChangelogParser.h"
#include "core/notes/MarkdownText.h"

#include <QRegularExpression>

namespace ChangelogLine {
namespace {
const QString kHeadingExample = QStringLiteral("\"## [1.0.0] - 2024-05-01\"");

// The index just past the bracket that closes the one at open, or -1; escaped brackets and
// nested pairs are passed over.
qsizetype pastClosing(const QString& text, qsizetype open, QChar opening, QChar closing)
{
    int depth = 0;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            ++i;
        } else if (c == opening) {
            ++depth;
        } else if (c == closing && --depth == 0) {
            return i + 1;
        }
    }
    return -1;
}

bool isNoDate(const QString& text)
{
    return text.compare(QLatin1String(kNoDateText), Qt::CaseInsensitive) == 0;
}

// "2024-05-01" at the start of text; rest is what follows it.
bool leadingIsoDate(const QString& text, QDate& date, QString& rest)
{
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?!\\d)"));
    const QRegularExpressionMatch m = iso.match(text);
    if (!m.hasMatch())
        return false;
    date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    rest = text.mid(m.capturedEnd()).trimmed();
    return true;
}

QDate dateAfterRelease(QString rest, int line)
{
    rest = rest.trimmed();
    while (rest.startsWith(u'-') || rest.startsWith(u'\u2013') || rest.startsWith(u'\u2014'))
        rest = rest.mid(1).trimmed();
    if (rest.startsWith(u'(')) {
        const qsizetype end = pastClosing(rest, 0, u'(', u')');
        if (end > 0)
            rest = rest.mid(1, end - 2).trimmed() + QLatin1Char(' ') + rest.mid(end);
        rest = rest.trimmed();
    }
    if (rest.isEmpty() || isNoDate(rest))
        return {};
    QDate date;
    QString after;
    if (!leadingIsoDate(rest, date, after))
        throw ChangelogError(line, QStringLiteral("expected the release date as YYYY-MM-DD after "
                                                  "the version number, as in %1; found \"%2\"")
                                       .arg(kHeadingExample, rest));
    if (!date.isValid())
        throw ChangelogError(
            line, QStringLiteral("\"%1\" is not a date; expected YYYY-MM-DD").arg(rest.left(10)));
    // Anything after the date ("[YANKED]") says something of the release, not of its notes.
    return date;
}
} // namespace

Heading ParseVersionHeading(const QString& text, int line)
{
    Heading h;
    QString rest;
    if (text.startsWith(u'[')) {
        const qsizetype end = pastClosing(text, 0, u'[', u']');
        if (end < 0)
            throw ChangelogError(line,
                                 QStringLiteral("expected \"]\" after the version number, as in %1")
                                     .arg(kHeadingExample));
        h.release = MarkdownPlain(text.mid(1, end - 2).trimmed());
        rest = text.mid(end);
        // A link to the release: "[1.0.0](https://...)" or "[1.0.0][tag]".
        if (rest.startsWith(u'(') || rest.startsWith(u'[')) {
            const QChar open = rest.at(0);
            const qsizetype linkEnd = pastClosing(rest, 0, open, open == u'(' ? u')' : u']');
            rest = linkEnd < 0 ? QString() : rest.mid(linkEnd);
        }
    } else {
        static const QRegularExpression separator(
            QStringLiteral("\\s+[-\u2013\u2014]\\s+|\\s+\\("));
        static const QRegularExpression trailingDate(
            QStringLiteral("^(.*\\S)\\s+(\\d{4}-\\d{1,2}-\\d{1,2}(?!\\d).*)$"));
        const QRegularExpressionMatch sep = separator.match(text);
        const QRegularExpressionMatch dated = trailingDate.match(text);
        if (sep.hasMatch()) {
            h.release = text.left(sep.capturedStart());
            rest = text.mid(sep.capturedStart());
        } else if (dated.hasMatch()) {
            h.release = dated.captured(1);
            rest = dated.captured(2);
        } else {
            h.release = text;
        }
        h.release = MarkdownPlain(h.release.trimmed());
        if (h.release.isEmpty())
            throw ChangelogError(line, QStringLiteral("expected a version number after \"##\", "
                                                      "as in %1")
                                           .arg(kHeadingExample));
    }
    h.date = dateAfterRelease(rest, line);
    return h;
}

QDate ParseDate(const QString& text, int line, const QString& expected)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || isNoDate(t))
        return {};
    QDate date;
    QString rest;
    if (!leadingIsoDate(t, date, rest) || !rest.isEmpty() || !date.isValid())
        throw ChangelogError(
            line, QStringLiteral("expected %1 as YYYY-MM-DD, found \"%2\"").arg(expected, t));
    return date;
}

QStringList TableCells(const QString& row)
{
    QStringList cells;
    QString cell;
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QChar c = row.at(i);
        if (c == u'\\' && i + 1 < row.size()) {
            cell += c;
            cell += row.at(++i);
        } else if (c == u'|') {
            cells << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells << cell;
    // The pipes that open and close the row leave an empty cell at either end.
    if (row.trimmed().startsWith(u'|'))
        cells.removeFirst();
    if (row.trimmed().endsWith(u'|') && !row.trimmed().endsWith(QLatin1String("\\|")) &&
        !cells.isEmpty())
        cells.removeLast();
    return cells;
}
} // namespace ChangelogLine
