#pragma once

#include <QString>

#include <vector>

class Connection;
class ProblemReader;
class WorkProgress;

// The problems as a CSV file: a header "Problem,Solution", then one record per problem. With
// every title the records begin with the title's text, under the header
// "Title,Problem,Solution", for reading elsewhere; only a file of one title comes back in.

// Writes the reader's problems to file; nothing is left at the path when it fails or is
// stopped. Returns how many problems were written.
qint64 WriteProblemCsv(ProblemReader& reader, const QString& file, WorkProgress& progress);

struct ProblemText {
    QString problem;
    QString solution;
};

// The problems of a CSV file of one title, checked whole: DbError naming the line and what was
// expected there when anything is wrong with it.
std::vector<ProblemText> ReadProblemCsv(const QString& file);

// Adds the problems to the title, in the order of the file, inside the caller's transaction:
// the caller commits, or rolls back when this throws (also WorkCancelled from progress).
void AddProblems(Connection& connection, qint64 softwareId,
                 const std::vector<ProblemText>& problems, WorkProgress& progress);
