#pragma once

#include "core/notes/NotesFormat.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;

// --export-notes and --import-changelog: a title's release notes out of the database, or a
// changelog into it, for scripts and builds; no window.
struct NotesRequest {
    enum class Kind { None, Export, Import };
    Kind kind = Kind::None;
    NotesFormat format = NotesFormat::Markdown;
    QString title;
    bool oneRelease = false;
    QString release;
    // Export: the file written, empty for standard output. Import: the changelog read.
    QString file;
};

// With --export-notes, --version names the release to export; without it, --version still
// shows the program's version. -v always does.
bool AsksForNotesExport(const QStringList& arguments);
void AddNotesOptions(QCommandLineParser& parser, bool forExport);
// The usage lines of the two commands, after the program's own.
QString NotesUsage(const QString& program);
// Reads the options into request; why they cannot be taken, or an empty text.
QString ReadNotesOptions(const QCommandLineParser& parser, const QStringList& positional,
                         NotesRequest& request);

// Runs the request on the database named on the command line (databasePath) or in the settings
// file. The outcome goes to standard output, a failure to standard error as one line; returns
// the exit status. Needs a QCoreApplication, no display.
int RunNotesCommand(const NotesRequest& request, const QString& databasePath);
