#include "core/text/SortWithoutCase.h"

#include <algorithm>
#include <vector>

namespace {
// One code unit folded as a case-insensitive QString comparison folds it: a low surrogate
// stands for the whole folded character of its pair. Plain ASCII needs no table.
inline char32_t foldedUnit(char16_t c, char32_t& last)
{
    if (c < 0x80) {
        last = c;
        return c >= u'A' && c <= u'Z' ? char32_t(c + 32) : char32_t(c);
    }
    char32_t u = c;
    if (QChar::isLowSurrogate(u) && QChar::isHighSurrogate(last))
        u = QChar::surrogateToUcs4(char16_t(last), c);
    last = c;
    return QChar::toCaseFolded(u);
}

// The order of QString::compare(a, b, Qt::CaseInsensitive) < 0, without its call and table
// lookup for every ASCII character: ten thousand titles take a hundred thousand comparisons.
bool lessWithoutCase(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const auto* p = reinterpret_cast<const char16_t*>(a.constData());
    const auto* q = reinterpret_cast<const char16_t*>(b.constData());
    char32_t lastA = 0, lastB = 0;
    for (qsizetype i = 0; i < n; ++i) {
        // Equal units fold alike (no character folds into a surrogate), and titles often
        // share long beginnings.
        if (p[i] == q[i]) {
            lastA = lastB = p[i];
            continue;
        }
        const char32_t x = foldedUnit(p[i], lastA);
        const char32_t y = foldedUnit(q[i], lastB);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

} // namespace

// Sorts as std::stable_sort with lessWithoutCase. When every title begins with eight ASCII
// characters (or is shorter and all ASCII), these folded are packed into one number kept beside its
// index, so that most comparisons look at one array instead of two texts scattered over the heap;
// only equal beginnings compare the titles themselves, and equal titles keep their order by index.
void SortWithoutCase(QStringList& titles)
{
    struct Entry {
        quint64 prefix;
        qsizetype index;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(titles.size()));
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QString& t = titles[i];
        quint64 prefix = 0;
        for (qsizetype k = 0; k < 8; ++k) {
            char16_t c = k < t.size() ? char16_t(t[k].unicode()) : 0;
            if (c >= 0x80) {
                std::stable_sort(titles.begin(), titles.end(), lessWithoutCase);
                return;
            }
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            prefix = prefix << 8 | c;
        }
        entries.push_back({prefix, i});
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const QString& x = titles[a.index];
        const QString& y = titles[b.index];
        if (lessWithoutCase(x, y))
            return true;
        if (lessWithoutCase(y, x))
            return false;
        return a.index < b.index;
    });
    QStringList sorted;
    sorted.reserve(titles.size());
    for (const Entry& e : entries)
        sorted << titles[e.index];
    titles.swap(sorted);
}
