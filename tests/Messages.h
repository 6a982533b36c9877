#pragma once

#include <QString>

// The program's messages as the tests expect them, word for word.
namespace Msg {
inline const QString kFieldsMissing =
    QStringLiteral("You have not filled in all the necessary fields.");
inline const QString kDuplicateTitle =
    QStringLiteral("You cannot have two software records with the same name.");
inline const QString kNoVersion = QStringLiteral("You have not selected a version.");
inline const QString kNoTitleForVersion =
    QStringLiteral("You have not selected a software record to add a version to.");
inline const QString kNoRecordToEdit = QStringLiteral("You have not selected a record to edit.");
inline const QString kNoRecordToDelete =
    QStringLiteral("You have not selected a record to delete.");
inline const QString kNoRecord = QStringLiteral("There is no record to delete.");
inline const QString kNoProblemsToSearch =
    QStringLiteral("There are no problems/solutions on which to perform a search.");
inline const QString kNoTitleForProblem =
    QStringLiteral("There is no software title to add a problem/solution to.");
inline const QString kNoMatches = QStringLiteral("No matches were found");
inline const QString kNoVersionToPrint =
    QStringLiteral("You have not selected a version to print.");
inline const QString kNoProblemsToPrint =
    QStringLiteral("There are no problems and solutions to print.");
inline const QString kNoDatabasePath = QStringLiteral("You must provide the path to the database.");

inline const QString kDeleteTitle =
    QStringLiteral("Are you sure you want to delete this software and all its related items?");
inline const QString kDeleteVersion =
    QStringLiteral("Are you sure you want to delete this version and all its related information?");
inline const QString kDeleteChange =
    QStringLiteral("Are you sure you want to delete this change/reason?");
inline const QString kDeleteFile =
    QStringLiteral("Are you sure you want to delete this needed file?");
inline const QString kDeleteProblem =
    QStringLiteral("Are you sure you want to delete this problem/solution?");
} // namespace Msg
