#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;
struct CommandLine;

// The command-line options that move records between the database and files: --dump FILE,
// --restore FILE, --export-problems FORMAT [--title TITLE] OUT, --import-problems FILE --title
// TITLE. Each works on the database of the run (--database, or the settings file's) and ends;
// no window.
void AddExchangeOptions(QCommandLineParser& parser);
// How many positional arguments the options given take (OUT of --export-problems).
int ExchangePositionalCount(const QCommandLineParser& parser);
// Fills the exchange fields of commandLine; the reason when the options do not fit together,
// empty when they do.
QString ReadExchangeOptions(const QCommandLineParser& parser, const QStringList& positional,
                            CommandLine& commandLine);

// Runs the exchange the command line asks for, with progress on standard error now and then
// and the outcome on standard output; Ctrl-C stops it with nothing written. Returns the exit
// status: 0 done, 1 failed, 130 stopped. Needs a QCoreApplication, no display.
int RunExchangeCommand(const CommandLine& commandLine);
