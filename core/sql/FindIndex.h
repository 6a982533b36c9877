#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// How a search of the problems uses the trigram index over their folded texts (FoldedText in
// Like.h): the index gives the rows whose folded field holds each literal run of three or more
// characters of the pattern, which every row that meets the LIKE does. A pattern that is one
// such run between two "%" is met by exactly those rows, so the LIKE need not be checked
// again; any other is checked on the rows the index gives.
struct IndexedLike {
    QString term;     // the condition as the WHERE text had it
    QString field;    // "Problem" or "Solution"
    QString pattern;  // as the LIKE has it
    QStringList runs; // folded, each three characters or more
    bool exact;       // the runs alone decide
};

struct FindPlan {
    QStringList rest; // the other conditions, ANDed, as the WHERE text had them
    std::vector<IndexedLike> likes;
    // The conditions that stay for the engine to check, LIKEs the index does not decide
    // included.
    QString checkedWhere() const;
    // Whether the index decides every LIKE.
    bool exactOnly() const;
};

// The literal runs of three characters or more of a LIKE pattern, folded.
QStringList LikeRuns(const QString& pattern);

// The fold's own version, stored with an index: one folded by another (Qt's tables of another
// Unicode version) holds other texts than a search's runs are folded to, so it is made again.
QByteArray FoldVersion();

// The plan for a WHERE text over the problems, or nothing when the index cannot narrow it:
// another table, a condition that is not only ANDs, or no LIKE with a run.
std::optional<FindPlan> PlanFind(const QString& table, const QString& where);
