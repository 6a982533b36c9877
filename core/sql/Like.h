#pragma once

#include <QByteArray>

#include <vector>

struct sqlite3;

// LIKE as the searches need it: "%" any run, "_" one character, letters compared without
// regard to case or accents in every script. Both texts are UTF-8.
bool LikeMatch(const QByteArray& pattern, const QByteArray& text, char32_t escape = 0);
bool LikeMatch(const char* pattern, int patternLength, const char* text, int textLength,
               char32_t escape = 0);

// The fold of one code point that both texts get before they are compared: its base letter in
// case-folded form, or 0 for an accent, which the comparison passes over.
char32_t FoldCodePoint(char32_t c);

// A whole text as the comparison sees it: each character folded, accents left out. A NUL and a
// byte that is no UTF-8 become U+FFFD, which no search's run of letters holds (FindIndex.h), so
// the folded text is valid UTF-8 that any database can store.
QByteArray FoldedText(const char* text, int length);

// One element of a pattern: a folded character, "_", or a run of "%".
struct LikeToken {
    char32_t c;
    enum Kind { Literal, One, Any } kind;
};
// The pattern (UTF-8) as LikeMatch reads it: accents left out, runs of "%" joined.
std::vector<LikeToken> LikeTokens(const char* pattern, int length, char32_t escape = 0);

// Replaces SQLite's own like() on a connection by LikeMatch.
bool RegisterLike(sqlite3* db);
