#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVariant>

#include <vector>

// CSV as RFC 4180 has it, in UTF-8: fields separated by commas, records by line breaks, a field
// between double quotes when it holds a comma, a quote or a line break, with each quote inside
// doubled.

// Appends one field: a text always between double quotes, so that blanks and line breaks at
// its ends survive every program that reads it; NULL as nothing at all.
void AppendCsvField(QByteArray& out, const QVariant& value);
// Ends a record: CR LF.
void EndCsvRecord(QByteArray& out);

// One record with the line of the file it begins on. A field that was empty and unquoted is a
// null QString, a quoted empty field an empty one.
struct CsvRecord {
    int line;
    QStringList fields;
};

// Reads a whole CSV text. Line breaks outside quotes may be CR LF, LF or CR; inside quotes
// they stay as they are. Empty lines are passed over. Throws DbError naming the line and what
// was expected there: a quote left open, a quote inside a field that does not begin with one,
// text after a closing quote, bytes that are not UTF-8 text (a binary file).
std::vector<CsvRecord> ReadCsv(const QByteArray& text);
