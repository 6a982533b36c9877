#include "core/notes/MarkdownText.h"

#include <QStringList>

namespace {
QString characterReference(QChar c)
{
    return QStringLiteral("&#%1;").arg(c.unicode());
}

bool isAsciiPunctuation(QChar c)
{
    return c.unicode() < 0x80 && (c.isPunct() || c.isSymbol());
}

qsizetype runOf(const QString& s, qsizetype i, QChar c)
{
    qsizetype j = i;
    while (j < s.size() && s.at(j) == c)
        ++j;
    return j - i;
}

bool isWordChar(const QString& s, qsizetype i)
{
    return i >= 0 && i < s.size() && s.at(i).isLetterOrNumber();
}

// "&name;" or "&#123;" starts at i: a character reference the reader would resolve.
bool startsReference(const QString& s, qsizetype i)
{
    qsizetype j = i + 1;
    if (j < s.size() && s.at(j) == u'#')
        ++j;
    const qsizetype first = j;
    while (j < s.size() && j - first < 32 && s.at(j).isLetterOrNumber())
        ++j;
    return j > first && j < s.size() && s.at(j) == u';';
}

// Whether the character at i would be read as markup where it stands.
bool needsEscape(const QString& s, qsizetype i, bool lineStart)
{
    const QChar c = s.at(i);
    switch (c.unicode()) {
    case u'\\':
    case u'`':
    case u'*':
    case u'[':
    case u']':
    case u'<':
    case u'|':
    case u'~':
        return true;
    case u'_':
        // Inside a word an underscore never starts emphasis.
        return !(isWordChar(s, i - 1) && isWordChar(s, i + 1));
    case u'&':
        return startsReference(s, i);
    case u'-':
    case u'+':
    case u'=':
    case u'>':
        return lineStart && i == 0;
    case u'#': {
        // "## " at the start of a line is a heading; "#123" is not.
        if (!lineStart || i != 0)
            return false;
        const qsizetype end = runOf(s, 0, c);
        return end == s.size() || s.at(end).isSpace();
    }
    case u'.':
    case u')': {
        // "1. " at the start of a line opens a numbered list.
        if (!lineStart || i == 0 || i > 9 || (i + 1 < s.size() && !s.at(i + 1).isSpace()))
            return false;
        for (qsizetype j = 0; j < i; ++j) {
            if (!s.at(j).isDigit())
                return false;
        }
        return true;
    }
    default:
        return false;
    }
}

const struct {
    const char* name;
    char16_t c;
} kNamedReferences[] = {{"amp", u'&'},  {"lt", u'<'},    {"gt", u'>'},
                        {"quot", u'"'}, {"apos", u'\''}, {"nbsp", u'\u00a0'}};

// The character of the reference at s[i] ("&...;"), with its length; 0 when it is none.
qsizetype resolveReference(const QString& s, qsizetype i, QString& out)
{
    const qsizetype end = s.indexOf(u';', i);
    if (end < 0 || end - i > 34)
        return 0;
    const QString body = s.mid(i + 1, end - i - 1);
    if (body.startsWith(u'#')) {
        const bool hex = body.size() > 1 && (body.at(1) == u'x' || body.at(1) == u'X');
        const QString digits = body.mid(hex ? 2 : 1);
        // Digits only: the number parser would also take blanks and signs.
        if (digits.isEmpty() || digits.size() > (hex ? 6 : 7))
            return 0;
        for (const QChar d : digits) {
            if (!(d.isDigit() && d.unicode() < 0x80) &&
                !(hex && ((d >= u'a' && d <= u'f') || (d >= u'A' && d <= u'F'))))
                return 0;
        }
        const uint code = digits.toUInt(nullptr, hex ? 16 : 10);
        // A reference to nothing a text can hold reads as the replacement character.
        const char32_t c = code == 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)
                               ? char32_t(0xfffd)
                               : char32_t(code);
        out += QString::fromUcs4(&c, 1);
        return end - i + 1;
    }
    for (const auto& r : kNamedReferences) {
        if (body == QLatin1String(r.name)) {
            out += QChar(r.c);
            return end - i + 1;
        }
    }
    return 0;
}

} // namespace

QString MarkdownInline(const QString& text, bool lineStart)
{
    QString out;
    out.reserve(text.size() + text.size() / 8 + 8);
    qsizetype begin = 0, end = text.size();
    // Blanks of any kind at either end would be dropped by the reader.
    while (begin < end && text.at(begin).isSpace())
        out += characterReference(text.at(begin++));
    qsizetype tail = end;
    while (tail > begin && text.at(tail - 1).isSpace())
        --tail;
    const QString body = text.mid(begin, tail - begin);
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c.unicode() < 0x20 && c != u'\t')
            out += characterReference(c);
        else if (needsEscape(body, i, lineStart && begin == 0))
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    for (qsizetype i = tail; i < end; ++i)
        out += characterReference(text.at(i));
    return out;
}

QString MarkdownItem(const QString& text, int indent)
{
    const QStringList lines = text.split(u'\n');
    const QString breakAndIndent = QStringLiteral("\\\n") + QString(indent, u' ');
    QString out = MarkdownInline(lines.first(), true);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // A hard break at the very end of an item would be dropped: a last, empty line is a
        // line feed written as a reference instead.
        if (i == lines.size() - 1 && lines.at(i).isEmpty())
            out += characterReference(u'\n');
        else
            out += breakAndIndent + MarkdownInline(lines.at(i), true);
    }
    return out;
}

QString MarkdownPlain(const QString& markdown)
{
    QString out;
    out.reserve(markdown.size());
    const qsizetype n = markdown.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = markdown.at(i);
        if (c == u'\\' && i + 1 < n && isAsciiPunctuation(markdown.at(i + 1))) {
            out += markdown.at(i + 1);
            i += 2;
        } else if (c == u'`') {
            // A code span is taken as written, up to a run of as many backticks.
            const qsizetype run = runOf(markdown, i, c);
            qsizetype close = i + run;
            while ((close = markdown.indexOf(QString(run, c), close)) >= 0 &&
                   runOf(markdown, close, c) != run)
                close += runOf(markdown, close, c);
            const qsizetype stop = close < 0 ? i + run : close + run;
            out += markdown.mid(i, stop - i);
            i = stop;
        } else if (c == u'&') {
            const qsizetype used = resolveReference(markdown, i, out);
            if (!used)
                out += c;
            i += used ? used : 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

bool TakeHardBreak(QString& line)
{
    qsizetype blanks = 0;
    while (blanks < line.size() && line.at(line.size() - 1 - blanks) == u' ')
        ++blanks;
    if (blanks > 0) {
        line.chop(blanks);
        return blanks >= 2;
    }
    qsizetype slashes = 0;
    while (slashes < line.size() && line.at(line.size() - 1 - slashes) == u'\\')
        ++slashes;
    if (slashes % 2 == 1) {
        line.chop(1);
        return true;
    }
    return false;
}
