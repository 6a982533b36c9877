#pragma once

#include "core/data/TitleLookup.h"
#include "core/notes/ReleaseNotes.h"

class Connection;

// Release notes read from a database and changelogs written into one, through the connection's
// engine. Every function runs inside the caller's command, or in a transaction of its own when
// there is none; each throws DbError when the database refuses and NotesError when what was
// asked for is not there.

// All versions of the title, newest first: by release date, and a version without a date where
// it stands among the others in the order they were entered.
ReleaseNotes ReadTitleNotes(Connection& connection, qint64 softwareId);
// One version of the title, by its key.
ReleaseNotes ReadVersionNotes(Connection& connection, qint64 softwareId, qint64 releaseId);
// The versions of the title that carry this release number (release numbers may repeat).
ReleaseNotes ReadReleaseNotes(Connection& connection, qint64 softwareId, const QString& release);

// What an import did, for the message that reports it.
struct ImportReport {
    QString title;
    bool newTitle = false;
    int versions = 0;
    int changes = 0;
    int files = 0;
    QStringList alreadyPresent; // release numbers the title had already
    QStringList notImported;    // from the changelog: Unreleased and repeated headings
    QString summary() const;
};

// Brings the changelog into the title, made when there is none: every version whose release
// number the title does not have yet, oldest first, so that the title lists them in the order
// they were released. All of it or nothing, in one transaction.
ImportReport ImportChangelog(Connection& connection, const QString& title, const Changelog& log);
