#pragma once

#include <QString>

// The program's messages as the tests expect them, word for word.
namespace Msg {
using namespace Qt::StringLiterals;

// What was typed cannot be saved.
inline const QString kFieldsMissing = u"You have not filled in all the necessary fields."_s;
inline const QString kDuplicateTitle =
    u"You cannot have two software records with the same name."_s;
inline const QString kNoDatabasePath = u"You must provide the path to the database."_s;

// A command needs something chosen first.
inline const QString kNoVersion = u"You have not selected a version."_s;
inline const QString kNoTitleForVersion =
    u"You have not selected a software record to add a version to."_s;
inline const QString kNoTitleForProblem =
    u"There is no software title to add a problem/solution to."_s;
inline const QString kNoRecordToEdit = u"You have not selected a record to edit."_s;
inline const QString kNoRecordToDelete = u"You have not selected a record to delete."_s;
inline const QString kNoRecord = u"There is no record to delete."_s;

// Nothing to search or print.
inline const QString kNoProblemsToSearch =
    u"There are no problems/solutions on which to perform a search."_s;
inline const QString kNoMatches = u"No matches were found"_s;
inline const QString kNoVersionToPrint = u"You have not selected a version to print."_s;
inline const QString kNoProblemsToPrint = u"There are no problems and solutions to print."_s;

// The question before a delete.
inline const QString kDeleteTitle =
    u"Are you sure you want to delete this software and all its related items?"_s;
inline const QString kDeleteVersion =
    u"Are you sure you want to delete this version and all its related information?"_s;
inline const QString kDeleteChange = u"Are you sure you want to delete this change/reason?"_s;
inline const QString kDeleteFile = u"Are you sure you want to delete this needed file?"_s;
inline const QString kDeleteProblem = u"Are you sure you want to delete this problem/solution?"_s;
} // namespace Msg
