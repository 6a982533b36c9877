#pragma once

#include <QString>
#include <QStringList>

// The tables the load works on: each with its key, the one field the clients edit, and the
// table and key of the record it belongs to.
struct LoadTable {
    const char* table;
    const char* key;
    const char* field;
    const char* parent; // nullptr for the titles
    const char* parentKey;
};
inline constexpr LoadTable kLoadTables[] = {
    {"Software", "SoftwareID", "Comments", nullptr, nullptr},
    {"Versions", "ReleaseID", "ReleaseNumber", "Software", "SoftwareID"},
    {"Changes", "ChangeID", "Change", "Versions", "ReleaseID"},
    {"Files", "FileID", "File", "Versions", "ReleaseID"},
    {"Problems", "ProblemID", "Problem", "Software", "SoftwareID"},
};

// One line of a client's log, fields apart by tabs (no value holds one):
//   ADD   table key wrote ms             a row the program added
//   SAVE  table key read wrote ms        an edit the program saved over what it had read
//   DEL   table key read ms              a row the program deleted, with what it had read
//   SEEN  table key read                 a row a following DEL removes with its parent
//   REFUSED what table key conflict ms message
//   END   operations
inline QString LogLine(const QStringList& fields)
{
    return fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

// The longest a command may take without a message: the server's deadline, the time its
// cancel may take and a margin for a loaded machine.
inline constexpr int kSilentWaitLimitMs = 14000;

int RunLoadClient(const QString& database, int id, int seconds, const QString& logFile);

int CheckLoad(const QString& database, const QStringList& logFiles, int seconds,
              const QList<int>& exitCodes);
