#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>

struct PgTable;

// A statement for the server: its text with $1, $2, ... and their values.
struct PgStatement {
    QByteArray sql;
    QVariantList params;
};

// Translates a statement, or the condition of a WHERE clause, from the program's dialect into
// the server's: [Name] and bare names become the lower-case names the server keeps (quoted,
// so that none is read as a key word or function), every text between single quotes, number
// and "?" (taken from values in order) becomes a parameter, "[Field] LIKE 'pattern'" becomes
// the regular expression that gives LikeMatch's verdict, and rowid the key of the table the
// statement names (or of table). Anything else is refused with DbError, never passed on: the
// server never reads a text the user typed as SQL. Parameters are numbered from firstParam.
PgStatement TranslateSql(const QString& text, const QVariantList& values = {},
                         const PgTable* table = nullptr, int firstParam = 1);
