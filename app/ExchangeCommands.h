#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// The command-line options that move records between the database and files: --dump FILE,
// --restore FILE, --export-problems FORMAT [--title TITLE] OUT, --import-problems FILE --title
// TITLE. Each works on the database of the run (--database, or the settings file's) and ends;
// no window.
struct ExchangeRequest {
    enum Kind { None, Dump, Restore, ExportProblems, ImportProblems };
    Kind kind = None;
    QString file;   // absolute: the file written or read (the folder of a web page of every title)
    QString format; // "html" or "csv", for --export-problems
    QString title;  // --title; empty for every title
};

void AddExchangeOptions(QCommandLineParser& parser);
// How many positional arguments the options given take (OUT of --export-problems).
int ExchangePositionalCount(const QCommandLineParser& parser);
// What the options ask for, in request; the reason when they do not fit together, empty when
// they do.
QString ReadExchangeOptions(const QCommandLineParser& parser, const QStringList& positional,
                            ExchangeRequest& request);

// Runs the exchange the command line asks for, with progress on standard error now and then
// and the outcome on standard output; Ctrl-C stops it with nothing written. Returns the exit
// status: 0 done, 1 failed, 130 stopped. Needs a QCoreApplication, no display.
// databasePath: --database's, empty for the settings file's.
int RunExchangeCommand(const ExchangeRequest& request, const QString& databasePath);
