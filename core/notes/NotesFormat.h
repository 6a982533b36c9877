#pragma once

#include "core/notes/ReleaseNotes.h"

#include <QByteArray>

#include <vector>

// The forms release notes are published in.
enum class NotesFormat { Markdown, Html, AppStream, Json };

struct NotesFormatInfo {
    NotesFormat format;
    const char* name;        // on the command line
    const char* caption;     // in the export dialog
    const char* defaultFile; // the name a file of this form usually has
    const char* filter;      // for the file dialog
};

// In the order the export dialog offers them.
const std::vector<NotesFormatInfo>& NotesFormats();
const NotesFormatInfo& InfoOf(NotesFormat format);
// The form of a command-line name ("markdown" or "md", "html", "appstream", "json"), in any
// letter case; false when there is none of that name.
bool NotesFormatByName(const QString& name, NotesFormat& format);

// The notes in that form, as UTF-8.
QByteArray RenderNotes(const ReleaseNotes& notes, NotesFormat format);

// Each form on its own.
// Keep a Changelog's form: "# Changelog", then "## [RELEASE] - YYYY-MM-DD" per version with its
// changes as a list and its needed files as a table.
QString MarkdownNotes(const ReleaseNotes& notes);
// One page that needs no other file and runs no script, for the screen and for print.
QString HtmlNotes(const ReleaseNotes& notes);
// The <releases> block of an AppStream metainfo file. A version without a date cannot be an
// AppStream release: it is left out, with a comment that says so.
QString AppStreamReleases(const ReleaseNotes& notes);
// The notes as a JSON object; README.md describes its fields.
QString JsonNotes(const ReleaseNotes& notes);

// A date as YYYY-MM-DD.
QString IsoDate(const QDate& date);
