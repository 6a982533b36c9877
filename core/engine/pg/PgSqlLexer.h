#pragma once

#include "core/engine/DbError.h"

#include <QString>
#include <QVariant>

#include <vector>

// A piece of a statement in the program's dialect.
struct PgToken {
    enum Kind { Word, Name, Text, Number, Param, Op } kind;
    QString text;   // the word, name or operator; the text's value
    QVariant value; // a number's value
};

// The pieces of a statement; throws PgRefused's error for anything the translation does not
// pass on (comments, unknown characters, open quotes).
std::vector<PgToken> PgTokens(const QString& text);

// Why a statement is not passed to the server, with its text.
DbError PgRefused(const QString& why, const QString& text);
