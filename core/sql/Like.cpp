#include "core/sql/Like.h"

#include <QChar>
#include <QString>

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// An accent: a mark that any script may put on a letter, or a Hebrew vowel point, both of
// which writers often leave out. The vowel and tone signs of Indic and South-East Asian
// scripts are marks too, but they are letters: dropping them would make different words equal.
bool isAccent(char32_t c)
{
    if (QChar::category(c) != QChar::Mark_NonSpacing)
        return false;
    const QChar::Script script = QChar::script(c);
    return script == QChar::Script_Inherited || script == QChar::Script_Hebrew;
}

// Folded form of a code point: its base letter (accents removed) in case-folded form.
// Accents fold to 0 and are skipped.
char32_t foldSlow(char32_t c)
{
    if (isAccent(c))
        return 0;
    QString s = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
    char32_t base = s.isEmpty() ? c : s.at(0).unicode();
    if (QChar::isHighSurrogate(base))
        base = c;
    // A character that decomposes into more than a letter and accents (a Korean syllable into
    // its sounds) keeps its identity, or every syllable would equal its first sound.
    for (qsizetype i = 1; i < s.size(); ++i) {
        if (!isAccent(s.at(i).unicode())) {
            base = c;
            break;
        }
    }
    return QChar::toCaseFolded(base);
}

char32_t fold(char32_t c)
{
    if (c < 128)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c > 0xFFFF)
        return QChar::toCaseFolded(c);
    static std::vector<char32_t> table(0x10000, 0xFFFFFFFFu);
    char32_t& slot = table[c];
    if (slot == 0xFFFFFFFFu)
        slot = foldSlow(c);
    return slot;
}

// Decodes UTF-8; malformed bytes stand for themselves.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end)
{
    unsigned char b = *p++;
    if (b < 0x80)
        return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t cp = extra == 3 ? (b & 0x07) : extra == 2 ? (b & 0x0F) : (b & 0x1F);
    if (extra == 0 || end - p < extra)
        return 0xDC00 + b; // an unpaired byte: never equal to a real character
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0xDC00 + b;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    p += extra;
    return cp;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6))).append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12))).append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18))).append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F))).append(char(0x80 | (c & 0x3F)));
    }
}

using Token = LikeToken;

std::vector<Token> patternTokens(const char* pattern, int length, char32_t escape)
{
    std::vector<Token> out;
    out.reserve(length);
    auto p = reinterpret_cast<const unsigned char*>(pattern);
    auto end = p + length;
    while (p < end) {
        char32_t c = nextCodePoint(p, end);
        if (escape && c == escape && p < end) {
            c = nextCodePoint(p, end);
            // A NUL is a character like any other; only marks fold to nothing.
            if (char32_t lit = fold(c); lit || c == 0)
                out.push_back({lit, Token::Literal});
        } else if (c == 0) {
            out.push_back({0, Token::Literal});
        } else if (c == '%') {
            if (out.empty() || out.back().kind != Token::Any)
                out.push_back({0, Token::Any});
        } else if (c == '_') {
            out.push_back({0, Token::One});
        } else if (char32_t f = fold(c)) {
            out.push_back({f, Token::Literal});
        }
    }
    return out;
}

// The folded character at p, or 0 at the end; p moves past it. Characters that fold to
// nothing (combining marks) are passed over, as if they were not there.
inline char32_t nextFolded(const unsigned char*& p, const unsigned char* end)
{
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            return (b >= 'A' && b <= 'Z') ? char32_t(b + 32) : char32_t(b);
        }
        if (char32_t f = fold(nextCodePoint(p, end)))
            return f;
    }
    return 0;
}

// Passes over marks so that p == end tells whether a character is left.
inline void skipMarks(const unsigned char*& p, const unsigned char* end)
{
    while (p < end && *p >= 0x80) {
        const unsigned char* at = p;
        if (fold(nextCodePoint(p, end))) {
            p = at;
            return;
        }
    }
}

// The first byte from p on that is c (either case when c is a letter) or not ASCII. Eight
// bytes at a time: the searches spend nearly all their time here.
const unsigned char* skipToCandidate(const unsigned char* p, const unsigned char* end,
                                     unsigned char c, bool letter)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t highs = 0x8080808080808080ull;
    const std::uint64_t fold = letter ? 0x2020202020202020ull : 0;
    const std::uint64_t want = ones * c;
    while (end - p >= 8) {
        std::uint64_t x;
        std::memcpy(&x, p, 8);
        const std::uint64_t y = (x | fold) ^ want;
        // The lowest flagged byte is exact: the borrow only runs towards higher bytes.
        const std::uint64_t hits = ((y - ones) & ~y & highs) | (x & highs);
        if (hits)
            return p + (__builtin_ctzll(hits) >> 3);
        p += 8;
    }
    while (p < end && *p < 0x80 && (letter ? (*p | 0x20) != c : *p != c))
        ++p;
    return p;
}

// Wildcard matching with one backtrack point: linear for the usual patterns. The text is
// folded as it is read, never copied.
bool matchTokens(const std::vector<Token>& pat, const char* text, int length)
{
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* const end = t + length;
    const size_t n = pat.size();
    size_t p = 0;
    size_t starP = SIZE_MAX;
    const unsigned char* starT = t;
    for (;;) {
        skipMarks(t, end);
        if (t == end)
            break;
        if (p < n && pat[p].kind == Token::Any) {
            starP = ++p;
            starT = t;
            continue;
        }
        if (p == starP && p < n && pat[p].kind == Token::Literal && pat[p].c < 0x80) {
            // Searching for the first character after a "%": plain ASCII characters that are
            // not it would each fail and move the search on by one, so pass them over at once.
            // Other bytes may fold to it and take the slow road.
            const unsigned char c = static_cast<unsigned char>(pat[p].c);
            t = skipToCandidate(t, end, c, c >= 'a' && c <= 'z');
            starT = t;
            if (t == end)
                break;
        }
        const char32_t c = nextFolded(t, end);
        if (p < n && (pat[p].kind == Token::One || pat[p].c == c)) {
            ++p;
        } else if (starP != SIZE_MAX) {
            p = starP;
            nextFolded(starT, end);
            t = starT;
        } else {
            return false;
        }
    }
    while (p < n && pat[p].kind == Token::Any)
        ++p;
    return p == n;
}

// A pattern compiled once per statement: SQLite keeps it with the constant pattern argument.
struct CompiledPattern {
    std::string pattern;
    char32_t escape;
    std::vector<Token> tokens;
};

void freeCompiled(void* p)
{
    delete static_cast<CompiledPattern*>(p);
}

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    auto pattern = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    int patternLength = sqlite3_value_bytes(argv[0]);
    auto text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    int textLength = sqlite3_value_bytes(argv[1]);
    char32_t escape = 0;
    if (argc == 3) {
        auto e = reinterpret_cast<const unsigned char*>(sqlite3_value_text(argv[2]));
        int n = sqlite3_value_bytes(argv[2]);
        if (n > 0)
            escape = nextCodePoint(e, e + n);
    }
    if (!pattern || !text) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* compiled = static_cast<CompiledPattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!compiled || compiled->escape != escape ||
        compiled->pattern.compare(0, std::string::npos, pattern, size_t(patternLength)) != 0) {
        auto* fresh = new CompiledPattern{std::string(pattern, size_t(patternLength)), escape,
                                          patternTokens(pattern, patternLength, escape)};
        // SQLite owns it from here, and may free it at once when it cannot keep it.
        sqlite3_set_auxdata(ctx, 0, fresh, freeCompiled);
        compiled = static_cast<CompiledPattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!compiled) {
            const std::vector<Token> tokens = patternTokens(pattern, patternLength, escape);
            sqlite3_result_int(ctx, matchTokens(tokens, text, textLength) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(ctx, matchTokens(compiled->tokens, text, textLength) ? 1 : 0);
}

} // namespace

char32_t FoldCodePoint(char32_t c)
{
    return fold(c);
}

QByteArray FoldedText(const char* text, int length)
{
    QByteArray out;
    out.reserve(length);
    auto p = reinterpret_cast<const unsigned char*>(text);
    const auto end = p + length;
    while (p < end) {
        if (*p > 0 && *p < 0x80) {
            const unsigned char b = *p++;
            out.append(char((b >= 'A' && b <= 'Z') ? b + 32 : b));
            continue;
        }
        const char32_t c = nextCodePoint(p, end);
        const char32_t f = fold(c);
        if (c != 0 && f == 0)
            continue;
        const bool valid = c != 0 && f <= 0x10FFFF && (f < 0xD800 || f > 0xDFFF);
        appendUtf8(out, valid ? f : char32_t(0xFFFD));
    }
    return out;
}

std::vector<LikeToken> LikeTokens(const char* pattern, int length, char32_t escape)
{
    return patternTokens(pattern, length, escape);
}

bool LikeMatch(const char* pattern, int patternLength, const char* text, int textLength,
               char32_t escape)
{
    const std::vector<Token> tokens = patternTokens(pattern, patternLength, escape);
    return matchTokens(tokens, text, textLength);
}

bool LikeMatch(const QByteArray& pattern, const QByteArray& text, char32_t escape)
{
    return LikeMatch(pattern.constData(), int(pattern.size()), text.constData(), int(text.size()),
                     escape);
}

bool RegisterLike(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr) ==
               SQLITE_OK;
}
