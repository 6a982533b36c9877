#pragma once

#include "core/engine/DbError.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <vector>

// JSON as the database dump writes and reads it: UTF-8, streamed, every fault told with its
// line and column and what was expected there.

// Appends text as a JSON string, quotes included. Control characters and unpaired surrogates
// are escaped, so every text comes back exactly as it went out.
void AppendJsonString(QByteArray& out, QStringView text);
// Appends a value as the dump holds it: null, an integer, a number, or a text (a date as its
// ISO text "yyyy-mm-dd").
void AppendJsonValue(QByteArray& out, const QVariant& value);

// What is wrong in a file, at which line and column, and what was expected there.
class JsonError : public DbError {
public:
    JsonError(int line, int column, const QString& expected, const QString& found);
    int line() const { return m_line; }

private:
    int m_line;
};

// Reads one JSON document from start to end, a token at a time; the caller says what it
// expects next and gets a JsonError when the text holds something else.
class JsonReader {
public:
    JsonReader(const char* data, qsizetype size);

    void beginObject();
    // The key of the object's next member, with its colon read; false at the object's end.
    bool nextKey(QString& key);
    // A member with exactly this key must come next.
    void expectKey(const char* key);
    void beginArray();
    // True when the array has another element, the comma before it read; false at its end.
    bool nextElement();

    QString readString();
    qint64 readInteger();
    // A string, an integer or other number, or null (a null QString); what else is there is a
    // fault.
    QVariant readScalar();
    // Reads over a scalar as readScalar reads it, or one value of any kind, checking it.
    void skipScalar();
    void skipValue();
    // Nothing but blanks may follow the document.
    void expectEnd();

    // Throws the fault at the current position.
    [[noreturn]] void fail(const QString& expected) const;
    [[noreturn]] void failAt(qsizetype at, const QString& expected) const;
    qsizetype position() const { return m_pos; }

private:
    void skipBlanks();
    char peek();
    void expectChar(char c, const char* expected);
    // Reads a text whose quote is at the position; checks it only when out is null.
    void readStringInto(QString* out);
    QVariant readNumber();
    void expectWord(const char* word);

    // Whether a comma comes before the next member or element: false for the first one.
    bool pastFirst(char close);

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    // For each object or array open around the position: whether it has had a member yet.
    std::vector<bool> m_started;
};
