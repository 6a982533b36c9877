#pragma once

#include <QByteArray>

struct sqlite3;

// LIKE as the searches need it: "%" any run, "_" one character, letters compared without
// regard to case or accents in every script. Both texts are UTF-8.
bool LikeMatch(const QByteArray& pattern, const QByteArray& text, char32_t escape = 0);
bool LikeMatch(const char* pattern, int patternLength, const char* text, int textLength,
               char32_t escape = 0);

// Replaces SQLite's own like() on a connection by LikeMatch.
bool RegisterLike(sqlite3* db);
