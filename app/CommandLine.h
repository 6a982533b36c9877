#pragma once

#include "app/ExchangeCommands.h"
#include "app/NotesCommand.h"

#include <QString>
#include <QStringList>

// What the command line asks for. It is read before any window exists, so that --help and
// --version answer without a display.
struct CommandLine {
    bool run = true; // false: print the answer and end with exitCode, no window
    int exitCode = 0;
    QString output;       // for standard output: the help or the version
    QString error;        // for standard error: why the command line was refused
    QString databasePath; // absolute; empty for the database of the settings file
    // --copy FROM TO: copy the database FROM into the empty TO, no window. Files absolute,
    // server addresses as given.
    bool copy = false;
    QString copyFrom, copyTo;
    // Records between the database of the run and a file, no window.
    ExchangeRequest exchange;
    // --export-notes or --import-changelog, no window.
    NotesRequest notes;
};

// arguments[0] is the program as it was started.
CommandLine ParseCommandLine(const QStringList& arguments);
CommandLine ParseCommandLine(int argc, char** argv);

// Prints the answer of a command line that does not run the program; returns its exit status.
int PrintCommandLineAnswer(const CommandLine& commandLine);

// Runs --copy, with a progress line now and then and the outcome on standard error and
// output; returns the exit status. Needs a QCoreApplication, no display.
int RunCopyCommand(const CommandLine& commandLine);
