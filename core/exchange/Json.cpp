#include "core/exchange/Json.h"

#include "core/text/Utf8Text.h"

#include <cstring>

namespace {
// What stands at a place in the text, for a message: a character, or the end.
QString describe(const char* data, qsizetype size, qsizetype at)
{
    if (at >= size)
        return QStringLiteral("the end of the file");
    const unsigned char c = static_cast<unsigned char>(data[at]);
    if (c < 0x20 || c == 0x7F)
        return QStringLiteral("the control character %1").arg(int(c));
    if (c >= 0x80)
        return QStringLiteral("'%1'").arg(
            QString::fromUtf8(data + at, qMin<qsizetype>(4, size - at)).left(1));
    return QStringLiteral("'%1'").arg(QLatin1Char(char(c)));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The length of the UTF-8 sequence at p, or 0 when it is not one (overlong forms and
// surrogates included).
int utf8Length(const unsigned char* p, const unsigned char* end)
{
    const unsigned char b = *p;
    int n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || end - p < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] >= 0xA0) || (b == 0xF0 && p[1] < 0x90) ||
        (b == 0xF4 && p[1] >= 0x90))
        return 0;
    return n;
}
} // namespace

JsonError::JsonError(int line, int column, const QString& expected, const QString& found)
    : DbError(QStringLiteral("line %1, column %2: expected %3, found %4")
                  .arg(line)
                  .arg(column)
                  .arg(expected, found)),
      m_line(line)
{
}

JsonReader::JsonReader(const char* data, qsizetype size) : m_data(data), m_size(size)
{
    // A byte order mark some editors put first is not part of the document.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
        m_pos = 3;
}

void JsonReader::failAt(qsizetype at, const QString& expected) const
{
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < at && i < m_size; ++i) {
        if (m_data[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    // Columns count characters, not bytes.
    const int column =
        int(QString::fromUtf8(m_data + lineStart, qMin(at, m_size) - lineStart).size()) + 1;
    throw JsonError(line, column, expected, describe(m_data, m_size, at));
}

void JsonReader::fail(const QString& expected) const
{
    failAt(m_pos, expected);
}

void JsonReader::skipBlanks()
{
    while (m_pos < m_size) {
        const char c = m_data[m_pos];
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
            return;
        ++m_pos;
    }
}

char JsonReader::peek()
{
    skipBlanks();
    return m_pos < m_size ? m_data[m_pos] : '\0';
}

void JsonReader::expectChar(char c, const char* expected)
{
    if (peek() != c || m_pos >= m_size)
        fail(QLatin1String(expected));
    ++m_pos;
}

bool JsonReader::pastFirst(char close)
{
    const char c = peek();
    if (c == close && m_pos < m_size) {
        ++m_pos;
        m_started.pop_back();
        return false;
    }
    if (m_started.back()) {
        if (c != ',' || m_pos >= m_size)
            fail(close == '}' ? QStringLiteral("',' or '}'") : QStringLiteral("',' or ']'"));
        ++m_pos;
    }
    m_started.back() = true;
    return true;
}

void JsonReader::beginObject()
{
    expectChar('{', "'{'");
    m_started.push_back(false);
}

bool JsonReader::nextKey(QString& key)
{
    if (!pastFirst('}'))
        return false;
    if (peek() != '"')
        fail(QStringLiteral("a key in double quotes"));
    key = readString();
    expectChar(':', "':'");
    return true;
}

void JsonReader::expectKey(const char* key)
{
    const qsizetype at = (skipBlanks(), m_pos);
    QString found;
    if (!nextKey(found) || found != QLatin1String(key))
        failAt(at, QStringLiteral("the key \"%1\"").arg(QLatin1String(key)));
}

void JsonReader::beginArray()
{
    expectChar('[', "'['");
    m_started.push_back(false);
}

bool JsonReader::nextElement()
{
    return pastFirst(']');
}

QString JsonReader::readString()
{
    if (peek() != '"')
        fail(QStringLiteral("a text in double quotes"));
    // An empty text is a text, not NULL.
    QString out(QStringLiteral(""));
    readStringInto(&out);
    return out;
}

void JsonReader::readStringInto(QString* out)
{
    ++m_pos; // the opening quote
    QByteArray utf8;
    for (;;) {
        const qsizetype run = m_pos;
        while (m_pos < m_size) {
            const unsigned char c = static_cast<unsigned char>(m_data[m_pos]);
            if (c == '"' || c == '\\' || c < 0x20)
                break;
            if (c < 0x80) {
                ++m_pos;
                continue;
            }
            const int n = utf8Length(reinterpret_cast<const unsigned char*>(m_data + m_pos),
                                     reinterpret_cast<const unsigned char*>(m_data + m_size));
            if (n == 0)
                fail(QStringLiteral("text in UTF-8"));
            m_pos += n;
        }
        if (out)
            utf8.append(m_data + run, m_pos - run);
        if (m_pos >= m_size)
            fail(QStringLiteral("the '\"' that ends the text"));
        const char c = m_data[m_pos];
        if (c == '"') {
            ++m_pos;
            break;
        }
        if (c != '\\')
            fail(QStringLiteral("a control character written as an escape such as \\n"));
        const qsizetype escapeAt = m_pos++;
        const char e = m_pos < m_size ? m_data[m_pos++] : '\0';
        switch (e) {
        case '"':
        case '\\':
        case '/':
            utf8 += e;
            break;
        case 'b':
            utf8 += '\b';
            break;
        case 'f':
            utf8 += '\f';
            break;
        case 'n':
            utf8 += '\n';
            break;
        case 'r':
            utf8 += '\r';
            break;
        case 't':
            utf8 += '\t';
            break;
        case 'u': {
            int code = 0;
            for (int i = 0; i < 4; ++i) {
                const int d = m_pos < m_size ? hexDigit(m_data[m_pos]) : -1;
                if (d < 0)
                    fail(QStringLiteral("four hexadecimal digits after \\u"));
                code = code * 16 + d;
                ++m_pos;
            }
            // The text so far goes in first: a lone surrogate has no UTF-8 form of its own.
            if (out) {
                *out += Utf8Text(utf8);
                utf8.clear();
                *out += QChar(char16_t(code));
            }
            break;
        }
        default:
            failAt(escapeAt, QStringLiteral("an escape such as \\n, \\\" or \\u0041"));
        }
    }
    if (out)
        *out += Utf8Text(utf8);
}

QVariant JsonReader::readNumber()
{
    const qsizetype start = m_pos;
    if (m_pos < m_size && m_data[m_pos] == '-')
        ++m_pos;
    auto digits = [this] {
        const qsizetype from = m_pos;
        while (m_pos < m_size && m_data[m_pos] >= '0' && m_data[m_pos] <= '9')
            ++m_pos;
        return m_pos - from;
    };
    const qsizetype intStart = m_pos;
    if (digits() == 0 || (m_data[intStart] == '0' && m_pos - intStart > 1))
        failAt(intStart, QStringLiteral("a number"));
    bool whole = true;
    if (m_pos < m_size && m_data[m_pos] == '.') {
        ++m_pos;
        whole = false;
        if (digits() == 0)
            fail(QStringLiteral("a digit after the decimal point"));
    }
    if (m_pos < m_size && (m_data[m_pos] == 'e' || m_data[m_pos] == 'E')) {
        ++m_pos;
        whole = false;
        if (m_pos < m_size && (m_data[m_pos] == '+' || m_data[m_pos] == '-'))
            ++m_pos;
        if (digits() == 0)
            fail(QStringLiteral("a digit of the exponent"));
    }
    const QByteArray text(m_data + start, m_pos - start);
    bool ok = false;
    if (whole) {
        const qlonglong n = text.toLongLong(&ok);
        if (ok)
            return QVariant(n);
    }
    const double d = text.toDouble(&ok);
    if (!ok)
        failAt(start, QStringLiteral("a number that fits"));
    return QVariant(d);
}

void JsonReader::expectWord(const char* word)
{
    const qsizetype n = qsizetype(std::strlen(word));
    if (m_size - m_pos < n || std::memcmp(m_data + m_pos, word, size_t(n)) != 0)
        fail(QStringLiteral("a value"));
    m_pos += n;
}

qint64 JsonReader::readInteger()
{
    const qsizetype at = (skipBlanks(), m_pos);
    const char c = peek();
    if (c != '-' && (c < '0' || c > '9'))
        fail(QStringLiteral("a whole number"));
    const QVariant v = readNumber();
    if (v.typeId() != QMetaType::LongLong)
        failAt(at, QStringLiteral("a whole number"));
    return v.toLongLong();
}

QVariant JsonReader::readScalar()
{
    const char c = peek();
    if (c == '"')
        return QVariant(readString());
    if (c == 'n') {
        expectWord("null");
        return QVariant(QMetaType::fromType<QString>());
    }
    if (c == '-' || (c >= '0' && c <= '9'))
        return readNumber();
    fail(QStringLiteral("a text, a number or null"));
}

void JsonReader::skipScalar()
{
    if (peek() == '"')
        readStringInto(nullptr);
    else
        readScalar();
}

void JsonReader::skipValue()
{
    const char c = peek();
    if (c == '{') {
        beginObject();
        QString key;
        while (nextKey(key))
            skipValue();
    } else if (c == '[') {
        beginArray();
        while (nextElement())
            skipValue();
    } else if (c == 't') {
        expectWord("true");
    } else if (c == 'f') {
        expectWord("false");
    } else {
        skipScalar();
    }
}

void JsonReader::expectEnd()
{
    skipBlanks();
    if (m_pos < m_size)
        fail(QStringLiteral("nothing more after the end of the document"));
}
