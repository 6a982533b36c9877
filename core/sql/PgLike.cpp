#include "core/sql/PgLike.h"

#include "core/sql/Like.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// The fold read backwards: which characters fold to a given one. Most characters fold to
// themselves, so only the others are listed.
struct FoldInverse {
    std::string accents; // "[...]": every character that folds to nothing
    std::string letters; // "[^...]": every character that does not
    std::vector<std::pair<char32_t, char32_t>> changed; // (folded, original), sorted

    FoldInverse();
    std::vector<char32_t> preimage(char32_t folded) const;
};

void appendCodePoint(std::string& out, char32_t c)
{
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        out += char(c);
        return;
    }
    // Escapes keep every other character literal, in a bracket or not: no character of the
    // pattern can become regular-expression syntax.
    char buf[16];
    if (c <= 0xFFFF)
        std::snprintf(buf, sizeof buf, "\\u%04X", unsigned(c));
    else
        std::snprintf(buf, sizeof buf, "\\U%08X", unsigned(c));
    out += buf;
}

// A bracket expression for sorted code points, runs written as ranges.
std::string bracket(const std::vector<char32_t>& sorted, bool negate)
{
    std::string out = negate ? "[^" : "[";
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1)
            ++j;
        appendCodePoint(out, sorted[i]);
        if (j > i + 1)
            out += '-';
        if (j > i)
            appendCodePoint(out, sorted[j]);
        i = j + 1;
    }
    out += ']';
    return out;
}

FoldInverse::FoldInverse()
{
    std::vector<char32_t> marks;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue; // a surrogate is no character of a valid text
        const char32_t f = FoldCodePoint(c);
        if (f == 0)
            marks.push_back(c);
        else if (f != c)
            changed.emplace_back(f, c);
    }
    std::sort(changed.begin(), changed.end());
    accents = bracket(marks, false);
    letters = bracket(marks, true);
}

std::vector<char32_t> FoldInverse::preimage(char32_t folded) const
{
    std::vector<char32_t> out;
    if (FoldCodePoint(folded) == folded)
        out.push_back(folded);
    auto it = std::lower_bound(changed.begin(), changed.end(), std::make_pair(folded, char32_t(0)));
    for (; it != changed.end() && it->first == folded; ++it)
        out.push_back(it->second);
    std::sort(out.begin(), out.end());
    return out;
}

const FoldInverse& inverse()
{
    static const FoldInverse table;
    return table;
}

} // namespace

QByteArray PgLikeRegex(const QString& pattern)
{
    const FoldInverse& inv = inverse();
    const QByteArray utf8 = pattern.toUtf8();
    const std::vector<LikeToken> tokens = LikeTokens(utf8.constData(), int(utf8.size()));
    for (const LikeToken& t : tokens) {
        // A NUL must be matched by a NUL, and no text on the server holds one.
        if (t.kind == LikeToken::Literal && t.c == 0)
            return QByteArrayLiteral("^$.");
    }
    const std::string marks = inv.accents + '*';
    if (tokens.empty())
        return QByteArray::fromStdString('^' + marks + '$');

    // Anchored at both ends unless the pattern starts or ends with "%"; accents may stand
    // before every character, and after the last.
    std::string out = tokens.front().kind == LikeToken::Any ? "" : "^";
    for (size_t i = 0; i < tokens.size(); ++i) {
        const LikeToken& t = tokens[i];
        if (t.kind == LikeToken::Any) {
            if (i > 0 && i + 1 < tokens.size())
                out += ".*";
            continue;
        }
        if (i == 0 || tokens[i - 1].kind != LikeToken::Any)
            out += marks;
        if (t.kind == LikeToken::One) {
            out += inv.letters;
        } else {
            const std::vector<char32_t> set = inv.preimage(t.c);
            if (set.size() == 1)
                appendCodePoint(out, set.front());
            else
                out += bracket(set, false);
        }
    }
    if (tokens.back().kind != LikeToken::Any)
        out += marks + '$';
    return QByteArray::fromStdString(out);
}
