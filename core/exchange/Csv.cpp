#include "core/exchange/Csv.h"

#include "core/engine/DbError.h"
#include "core/text/Utf8Text.h"

#include <QStringDecoder>

#include <cstring>

namespace {
[[noreturn]] void fail(int line, const QString& what)
{
    throw DbError(QStringLiteral("line %1: %2").arg(line).arg(what));
}

// Text, not a binary file: no NUL, valid UTF-8. Names the line of the first fault.
void checkText(const QByteArray& text)
{
    const char* const data = text.constData();
    const qsizetype nul = qsizetype(std::strlen(data));
    const qsizetype size = text.size();
    auto lineAt = [&](qsizetype at) { return int(text.left(at).count('\n')) + 1; };
    if (nul < size)
        fail(lineAt(nul), QStringLiteral("expected text, found the character NUL: this is not a "
                                         "CSV file"));
    // Decoding in pieces of lines finds the line of a bad byte without scanning twice.
    qsizetype start = 0;
    int line = 1;
    while (start < size) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? size : end + 1;
        const QByteArrayView piece(data + start, end - start);
        bool ascii = true;
        for (char c : piece)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (!ascii) {
            QStringDecoder decode(QStringDecoder::Utf8);
            const QString decoded = decode(piece);
            if (decode.hasError())
                fail(line, QStringLiteral("expected text in UTF-8, found bytes that are not: "
                                          "save the file as UTF-8, or it is not a CSV file"));
        }
        start = end;
        ++line;
    }
}
} // namespace

void AppendCsvField(QByteArray& out, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return;
    QByteArray text = value.toString().toUtf8();
    text.replace('"', "\"\"");
    out += '"' + text + '"';
}

void EndCsvRecord(QByteArray& out)
{
    out += "\r\n";
}

std::vector<CsvRecord> ReadCsv(const QByteArray& bytes)
{
    checkText(bytes);
    qsizetype p = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const char* const data = bytes.constData();
    const qsizetype size = bytes.size();
    std::vector<CsvRecord> records;
    int line = 1;
    auto atLineEnd = [&](qsizetype at) {
        return at >= size || data[at] == '\n' || data[at] == '\r';
    };
    // Past one line break at p, counting it.
    auto passLineEnd = [&] {
        if (p < size && data[p] == '\r')
            ++p;
        if (p < size && data[p] == '\n')
            ++p;
        ++line;
    };
    while (p < size) {
        if (atLineEnd(p)) {
            // An empty line holds no record.
            passLineEnd();
            continue;
        }
        CsvRecord record{line, {}};
        for (;;) {
            if (p < size && data[p] == '"') {
                const int opened = line;
                ++p;
                QByteArray field;
                for (;;) {
                    const qsizetype quote = bytes.indexOf('"', p);
                    if (quote < 0)
                        fail(opened, QStringLiteral("expected a '\"' that closes the field "
                                                    "begun on this line, found the end of the "
                                                    "file"));
                    field.append(data + p, quote - p);
                    for (qsizetype i = p; i < quote; ++i)
                        line += data[i] == '\n' ||
                                (data[i] == '\r' && (i + 1 >= size || data[i + 1] != '\n'));
                    p = quote + 1;
                    if (p < size && data[p] == '"') {
                        field += '"';
                        ++p;
                        continue;
                    }
                    break;
                }
                // Quoted, even an empty field is a text.
                record.fields << (field.isEmpty() ? QStringLiteral("") : Utf8Text(field));
                if (!atLineEnd(p) && data[p] != ',')
                    fail(line, QStringLiteral("expected ',' or the end of the line after a "
                                              "closing '\"' (a '\"' inside a field is written "
                                              "twice)"));
            } else {
                const qsizetype start = p;
                while (!atLineEnd(p) && data[p] != ',') {
                    if (data[p] == '"')
                        fail(line, QStringLiteral("expected a field with a '\"' in it to begin "
                                                  "with '\"' as well"));
                    ++p;
                }
                record.fields << (p == start ? QString() : Utf8Text(data + start, p - start));
            }
            if (p < size && data[p] == ',') {
                ++p;
                continue;
            }
            break;
        }
        records.push_back(std::move(record));
        if (p < size)
            passLineEnd();
    }
    return records;
}
