#pragma once

#include <QString>

class WorkProgress;

enum class ExportFormat { WebPage, Csv };

// Writes the problems of one title (softwareId) or of every title (0) of the database to
// target, read as the database was at one moment: a web page (a file for one title, a folder
// for every title) or a CSV file. Nothing is left at target when it fails or is stopped.
// Returns a sentence saying what was written; throws DbError with the reason.
QString ExportProblems(const QString& database, ExportFormat format, qint64 softwareId,
                       const QString& target, WorkProgress& progress);
