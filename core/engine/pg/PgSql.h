#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>

#include <vector>

struct PgTable;

// A LIKE the program checks on the rows the server gives: the server's regular expressions
// refuse, or take seconds over, the patterns of long search texts.
struct PgClientLike {
    QByteArray column; // the server's name
    QString pattern;
    bool negated;
};

// A statement for the server: its text with $1, $2, ... and their values, and the LIKEs its
// rows must still meet.
struct PgStatement {
    QByteArray sql;
    QVariantList params;
    std::vector<PgClientLike> clientLikes = {};
    // Planned for its values at every run: whether the index or a walk in key order is the
    // faster way depends on the search text.
    bool planEachRun = false;
};

// Translates a statement, or the condition of a WHERE clause, from the program's dialect into
// the server's: [Name] and bare names become the lower-case names the server keeps (quoted,
// so that none is read as a key word or function), every text between single quotes, number
// and "?" (taken from values in order) becomes a parameter, "[Field] LIKE 'pattern'" becomes
// the regular expression that gives LikeMatch's verdict, and rowid the key of the table the
// statement names (or of table). Anything else is refused with DbError, never passed on: the
// server never reads a text the user typed as SQL. Parameters are numbered from firstParam.
// A WHERE condition of ANDs alone (clientLikes) may leave the LIKE of a long pattern to the
// caller, in place of the regular expression.
PgStatement TranslateSql(const QString& text, const QVariantList& values = {},
                         const PgTable* table = nullptr, int firstParam = 1,
                         bool clientLikes = false);

// The rows that meet the LIKEs left to the program: whether the values (one per LIKE, in
// order) meet them all. A NULL meets none, as in SQL.
bool MeetsClientLikes(const std::vector<PgClientLike>& likes, const QVariant* values);
