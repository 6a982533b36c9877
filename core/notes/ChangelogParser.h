#pragma once

#include "core/notes/ReleaseNotes.h"

#include <QByteArray>

// Reading a changelog in Keep a Changelog's form, as projects write it: "## [1.2.0] - 2024-05-01"
// (also without brackets, with a link, or "## 1.2.0 (2024-05-01)") opens a version; each list
// item under it is a change, a paragraph too; items under a category heading ("### Fixed") get
// the category in front ("Fixed: ..."). "[Unreleased]" is left out and reported, link reference
// lines, comments and the text before the first version are passed over. A table under
// "### Needed files" holds the version's needed files. Anything else that cannot be read throws
// ChangelogError with the line and what was expected there.

// What the Markdown form writes for a version or file without a date.
constexpr char kNoDateText[] = "no date";
// The heading of a version's needed files.
constexpr char kNeededFilesHeading[] = "Needed files";
// Larger files are refused before they are read: a changelog of 2,000 versions with 100,000
// changes is about 6 MB.
constexpr qint64 kMaxChangelogBytes = 20 * 1024 * 1024;

Changelog ParseChangelog(const QString& text);

// The bytes of a changelog as text: UTF-8, with or without a byte order mark. NotesError for an
// empty file, ChangelogError naming the line for one that is not text.
QString ChangelogText(const QByteArray& bytes);

// Reads and parses the file; NotesError when it is missing, unreadable, too large or not a
// changelog.
Changelog ReadChangelogFile(const QString& path);

// The pieces of a line, for the parser.
namespace ChangelogLine {
// A version heading's text (after "## "): the release number and the date, which is invalid when
// the heading gives none. ChangelogError when the text after the number is not a date.
struct Heading {
    QString release;
    QDate date;
};
Heading ParseVersionHeading(const QString& text, int line);
// A date as the file writes it ("2024-05-01", or "no date" and nothing for none).
QDate ParseDate(const QString& text, int line, const QString& expected);
// The cells of a table row ("| a | b |"), as written.
QStringList TableCells(const QString& row);
} // namespace ChangelogLine
