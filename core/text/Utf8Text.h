#pragma once

#include <QByteArray>
#include <QString>

// Stored texts in UTF-8 as they were written: QString::fromUtf8 drops a U+FEFF at the start of
// its input as a byte order mark, but a text that begins with that character must come back
// with it. Invalid bytes become U+FFFD, as fromUtf8 makes them.
QString Utf8Text(const char* data, qsizetype size);
inline QString Utf8Text(const QByteArray& bytes)
{
    return Utf8Text(bytes.constData(), bytes.size());
}
