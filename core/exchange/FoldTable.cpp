#include "core/exchange/FoldTable.h"

#include "core/sql/Like.h"

namespace {
QByteArray buildTable()
{
    QByteArray out = "[";
    char32_t start = 0, first = 0, count = 0;
    int step = 0;
    auto flush = [&] {
        if (count == 0)
            return;
        if (out.size() > 1)
            out += ',';
        out += QByteArray::number(uint(start)) + ',' + QByteArray::number(uint(count)) + ',' +
               QByteArray::number(uint(first)) + ',' + QByteArray::number(step);
        count = 0;
    };
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        // Unpaired surrogates never reach a page's text.
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const char32_t f = FoldCodePoint(c);
        if (f == c) {
            flush();
            continue;
        }
        if (count > 0 && c == start + count) {
            const char32_t expected = step ? first + count : first;
            if (count == 1 && f == first + 1 && first != 0) {
                step = 1;
                ++count;
                continue;
            }
            if (f == expected && (count > 1 || f == first)) {
                ++count;
                continue;
            }
        }
        flush();
        start = c;
        first = f;
        count = 1;
        step = 0;
    }
    flush();
    return out + ']';
}
} // namespace

const QByteArray& FoldTableScript()
{
    static const QByteArray table = buildTable();
    return table;
}
