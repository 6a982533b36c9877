// Reading a changelog line by line into versions, their changes and their needed files.
#include "core/notes/ChangelogParser.h"

#include "core/notes/MarkdownText.h"

#include <QSet>

namespace {
using namespace ChangelogLine;

// Columns of leading blanks, a tab counting as four.
int indentOf(const QString& line)
{
    int columns = 0;
    for (const QChar c : line) {
        if (c == u' ')
            ++columns;
        else if (c == u'\t')
            columns += 4;
        else
            break;
    }
    return columns;
}

// The number of '#' of an ATX heading ("## text"), 0 for any other line.
int headingLevel(const QString& trimmed)
{
    int level = 0;
    while (level < trimmed.size() && trimmed.at(level) == u'#')
        ++level;
    if (level == 0 || level > 6)
        return 0;
    return level == trimmed.size() || trimmed.at(level).isSpace() ? level : 0;
}

// A heading's text without its marks and the closing "#"s some files add.
QString headingText(const QString& trimmed, int level)
{
    QString text = trimmed.mid(level).trimmed();
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u'#')
        --end;
    if (end == 0 || text.at(end - 1).isSpace())
        text = text.left(end).trimmed();
    return text;
}

// "- ", "* ", "+ ", "1. " or "1) " opening a list item: the marker's width with the blanks
// after it, or 0 for none.
int itemMarkerWidth(const QString& trimmed)
{
    int i = 0;
    if (trimmed.startsWith(u'-') || trimmed.startsWith(u'*') || trimmed.startsWith(u'+')) {
        i = 1;
    } else {
        while (i < trimmed.size() && i < 9 && trimmed.at(i).isDigit())
            ++i;
        if (i == 0 || i >= trimmed.size() || (trimmed.at(i) != u'.' && trimmed.at(i) != u')'))
            return 0;
        ++i;
    }
    if (i == trimmed.size())
        return i;
    if (!trimmed.at(i).isSpace())
        return 0;
    int blanks = 0;
    while (i + blanks < trimmed.size() && trimmed.at(i + blanks).isSpace())
        ++blanks;
    // Text indented further than four blanks after the marker starts one blank after it.
    return i + (blanks > 4 ? 1 : blanks);
}

bool isThematicBreak(const QString& trimmed)
{
    if (trimmed.size() < 3)
        return false;
    const QChar mark = trimmed.at(0);
    if (mark != u'-' && mark != u'*' && mark != u'_')
        return false;
    int marks = 0;
    for (const QChar c : trimmed) {
        if (c == mark)
            ++marks;
        else if (!c.isSpace())
            return false;
    }
    return marks >= 3;
}

// "[1.0.0]: https://..." gives a link its target; it says nothing of a version.
bool isLinkReference(const QString& trimmed)
{
    if (!trimmed.startsWith(u'['))
        return false;
    const qsizetype close = trimmed.indexOf(QLatin1String("]:"));
    return close > 1;
}

bool isDelimiterRow(const QStringList& cells)
{
    for (QString cell : cells) {
        cell = cell.trimmed();
        if (cell.startsWith(u':'))
            cell.remove(0, 1);
        if (cell.endsWith(u':'))
            cell.chop(1);
        if (cell.isEmpty() || cell.count(u'-') != cell.size())
            return false;
    }
    return !cells.isEmpty();
}

class Reader {
public:
    Changelog read(const QString& text);

private:
    void line(const QString& raw);
    // Handles the line when it is a heading, link reference, rule or table row.
    bool structural(const QString& trimmed);
    void heading(int level, const QString& text);
    void tableRow(const QString& trimmed);
    void startBlock(bool item, int contentIndent);
    void addText(QString content, bool ownLine = false);
    void endBlock();
    NoteVersion* version();

    Changelog m_log;
    int m_line = 0;
    int m_version = -1; // index into m_log.versions; -1 outside one or while skipping
    QSet<QString> m_releases;
    QString m_category;
    bool m_neededFiles = false;
    int m_tableRows = 0;
    bool m_inComment = false;

    enum class Block { None, Item, Paragraph } m_block = Block::None;
    int m_itemIndent = 0;
    QString m_text;
    bool m_started = false;   // the block has text
    bool m_hardBreak = false; // the last line ended with one
    bool m_blankSeen = false; // a blank line since the last line of the block
};

NoteVersion* Reader::version()
{
    return m_version < 0 ? nullptr : &m_log.versions[size_t(m_version)].notes;
}

Changelog Reader::read(const QString& text)
{
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        ++m_line;
        QString raw = text.mid(start, end - start);
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        line(raw);
        start = end + 1;
    }
    endBlock();
    if (m_log.versions.empty())
        throw NotesError(
            m_log.notImported.isEmpty()
                ? QStringLiteral("No line of the file is a version heading; expected a line such "
                                 "as \"## [1.0.0] - 2024-05-01\".")
                : QStringLiteral("The file holds no released version, only %1; expected a line "
                                 "such as \"## [1.0.0] - 2024-05-01\".")
                      .arg(m_log.notImported.join(QStringLiteral(", "))));
    return m_log;
}

void Reader::line(const QString& raw)
{
    const QString trimmed = raw.trimmed();
    if (m_inComment) {
        m_inComment = !trimmed.contains(QLatin1String("-->"));
        return;
    }
    if (trimmed.startsWith(QLatin1String("<!--"))) {
        m_inComment = !trimmed.mid(4).contains(QLatin1String("-->"));
        return;
    }
    if (trimmed.isEmpty()) {
        if (m_block == Block::Item)
            m_blankSeen = true;
        else
            endBlock();
        m_tableRows = 0;
        return;
    }
    const int indent = indentOf(raw);
    if (m_block == Block::Item) {
        // Lines indented under the item belong to it, nested lists among them.
        if (indent >= m_itemIndent && !headingLevel(trimmed)) {
            // A nested item starts a line of its own within the change.
            addText(trimmed, itemMarkerWidth(trimmed) > 0);
            return;
        }
        if (m_blankSeen)
            endBlock();
    }
    if (indent < 4 && structural(trimmed))
        return;
    if (const int marker = itemMarkerWidth(trimmed)) {
        endBlock();
        startBlock(true, indent + marker);
        addText(trimmed.mid(marker));
        return;
    }
    // Other text continues the open item or paragraph, or starts a paragraph.
    if (m_block == Block::None)
        startBlock(false, 0);
    addText(trimmed);
}

bool Reader::structural(const QString& trimmed)
{
    if (const int level = headingLevel(trimmed)) {
        endBlock();
        heading(level, headingText(trimmed, level));
        return true;
    }
    if (isLinkReference(trimmed) || isThematicBreak(trimmed)) {
        endBlock();
        return true;
    }
    if (m_neededFiles && trimmed.startsWith(u'|')) {
        endBlock();
        tableRow(trimmed);
        return true;
    }
    return false;
}

void Reader::heading(int level, const QString& text)
{
    m_category.clear();
    m_neededFiles = false;
    m_tableRows = 0;
    if (level == 1) {
        // The document's own heading: what follows belongs to no version until the next one.
        m_version = -1;
        return;
    }
    if (level > 2) {
        m_category = MarkdownPlain(text);
        m_neededFiles =
            m_category.compare(QLatin1String(kNeededFilesHeading), Qt::CaseInsensitive) == 0;
        // The Markdown form's own heading for the changes names no category.
        if (m_category.compare(QLatin1String("Changes"), Qt::CaseInsensitive) == 0)
            m_category.clear();
        return;
    }
    const Heading h = ParseVersionHeading(text, m_line);
    m_version = -1;
    if (h.release.compare(QLatin1String("Unreleased"), Qt::CaseInsensitive) == 0) {
        m_log.notImported << QStringLiteral("%1 (line %2)").arg(h.release).arg(m_line);
        return;
    }
    if (m_releases.contains(h.release)) {
        m_log.notImported
            << QStringLiteral("\"%1\" again (line %2)").arg(h.release, QString::number(m_line));
        return;
    }
    m_releases.insert(h.release);
    m_log.versions.push_back({{h.release, h.date, {}, {}}, m_line});
    m_version = int(m_log.versions.size()) - 1;
}

void Reader::tableRow(const QString& trimmed)
{
    const QStringList cells = TableCells(trimmed);
    ++m_tableRows;
    if (m_tableRows == 1)
        return; // the header
    if (m_tableRows == 2) {
        if (!isDelimiterRow(cells))
            throw ChangelogError(m_line, QStringLiteral("expected the line under the table's "
                                                        "header, as in \"| --- | --- | --- |\""));
        return;
    }
    if (cells.size() != 3)
        throw ChangelogError(m_line, QStringLiteral("expected three cells, the file, its version "
                                                    "and its date; found %1")
                                         .arg(cells.size()));
    NoteVersion* v = version();
    if (!v)
        return;
    v->files.push_back({MarkdownPlain(cells.at(0).trimmed()), MarkdownPlain(cells.at(1).trimmed()),
                        ParseDate(cells.at(2), m_line, QStringLiteral("the file's date"))});
}

void Reader::startBlock(bool item, int contentIndent)
{
    m_block = item ? Block::Item : Block::Paragraph;
    m_itemIndent = contentIndent;
    m_text.clear();
    m_started = m_hardBreak = m_blankSeen = false;
}

void Reader::addText(QString content, bool ownLine)
{
    if (!m_started && content.trimmed().isEmpty())
        return;
    const bool hard = TakeHardBreak(content);
    while (!content.isEmpty() && content.back().isSpace())
        content.chop(1);
    const QString plain = MarkdownPlain(content);
    if (m_started)
        m_text += m_blankSeen              ? QStringLiteral("\n\n")
                  : m_hardBreak || ownLine ? QStringLiteral("\n")
                                           : QStringLiteral(" ");
    m_text += plain;
    m_started = true;
    m_hardBreak = hard;
    m_blankSeen = false;
}

void Reader::endBlock()
{
    if (m_block == Block::None)
        return;
    m_block = Block::None;
    NoteVersion* v = version();
    // A block that shows nothing (a lone hard break) holds no change.
    if (!v || m_text.isEmpty())
        return;
    v->changes << (m_category.isEmpty() ? m_text : m_category + QStringLiteral(": ") + m_text);
}
} // namespace

Changelog ParseChangelog(const QString& text)
{
    return Reader().read(text);
}
