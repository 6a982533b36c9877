#pragma once

#include <QByteArray>
#include <QString>

// The search's LIKE (Like.h: "%" any run, "_" one character, no escape character, letters
// compared without regard to case or accents) as a PostgreSQL regular expression that gives
// the same verdict on the stored text as it is: `column ~ PgLikeRegex(pattern)`. The server
// folds nothing; each character of the pattern becomes the set of every character that folds
// to the same letter, and the accents that fold to nothing may stand anywhere between them.
// The sets hold code points only, so the verdict does not depend on the database's collation.
// The result is UTF-8 (ASCII in fact: every other character is written as an escape).
QByteArray PgLikeRegex(const QString& pattern);
