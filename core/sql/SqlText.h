#pragma once

#include <QString>

// The SQL texts and find criteria of the program. Texts go between single quotes with every
// quote inside them doubled; keys go in as decimal digits.
namespace Sql {

inline const QString kAllSoftware = QStringLiteral("SELECT * FROM [Software]");

QString Quoted(const QString& text);
// A table or field name between brackets, as the texts write names that are also key words
// (File, Date).
QString Bracketed(const QString& name);

QString SoftwareByTitle(const QString& title);
QString VersionsOf(qint64 softwareId);
QString ProblemsOf(qint64 softwareId);
QString ChangesOf(const QString& releaseId);
QString FilesOf(const QString& releaseId);

// "*" becomes "%"; nothing else changes.
QString ConvertWildcards(const QString& text);
// The problems of a title narrowed by the two search boxes; an empty box adds no clause.
QString ProblemSearch(qint64 softwareId, const QString& problem, const QString& solution);
// Whether a WHERE text holds a LIKE outside its quoted texts: a search.
bool IsSearch(const QString& where);

QString TitleCriterion(const QString& title);
QString ReleaseCriterion(const QString& releaseId);
QString ChangeCriterion(const QString& changeId, bool bracketed);
QString FileCriterion(const QString& fileId, bool bracketed);

} // namespace Sql
