// The writing half of the dump's JSON: texts and values as the dump holds them.
#include "core/exchange/Json.h"
#include "core/text/Utf8Text.h"

#include <QDate>

namespace {
const char kHex[] = "0123456789abcdef";
} // namespace

void AppendJsonString(QByteArray& out, QStringView text)
{
    out += '"';
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        // Runs of characters that need no escape go out in one piece.
        const char16_t* run = p;
        while (p < end && *p >= 0x20 && *p != '"' && *p != '\\' && !QChar::isSurrogate(*p))
            ++p;
        if (p > run)
            out += QStringView(run, p - run).toUtf8();
        if (p == end)
            break;
        const char16_t c = *p;
        if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            out += QStringView(p, 2).toUtf8();
            p += 2;
            continue;
        }
        ++p;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            const char escape[] = {
                '\\',        'u', kHex[(c >> 12) & 15], kHex[(c >> 8) & 15], kHex[(c >> 4) & 15],
                kHex[c & 15]};
            out.append(escape, sizeof escape);
        }
        }
    }
    out += '"';
}

void AppendJsonValue(QByteArray& out, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        out += "null";
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        out += QByteArray::number(value.toLongLong());
        return;
    case QMetaType::Double:
        out += QByteArray::number(value.toDouble(), 'g', 17);
        return;
    case QMetaType::QDate:
        AppendJsonString(out, value.toDate().toString(Qt::ISODate));
        return;
    case QMetaType::QByteArray:
        // A value SQLite kept as bytes in a text field: its text, as the windows show it.
        AppendJsonString(out, Utf8Text(value.toByteArray()));
        return;
    default:
        AppendJsonString(out, value.toString());
    }
}
