#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// Width of a text column in the version and file lists.
constexpr int kColumnWidth = 20;

// The text padded with blanks to the column width; a longer text gets one blank so that
// the next column stays apart from it.
QString PadColumn(const QString& text);

// A stored date as "mm/dd/yyyy" with the system's date separator.
QString DateText(const QDate& date);
QString DateText(const QVariant& stored);
// The date value of a stored date (ISO text).
QDate StoredDate(const QVariant& stored);

// A line of the versions list and of the needed-files list.
QString VersionLine(const QString& releaseNumber, const QVariant& releaseDate);
QString FileLine(const QString& file, const QString& version, const QVariant& date);
