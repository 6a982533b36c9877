#pragma once

#include <QString>

#include <functional>

class CopySource;
class WorkProgress;

using CopyProgress = std::function<void(const QString&)>;

// Copies every record of source into the Vantor database at to (a file or a server database),
// keeping the keys. The target must be empty (a missing file is made, an empty server database
// gets the tables); one that holds a record is refused untouched. Everything is written in one
// transaction and the counts of both sides are compared before it is committed; a file made
// for the copy is removed again when it fails, and a file that was there before is never
// removed. progress gets a line now and then for a large copy. Returns a summary; throws
// DbError with the reason.
QString CopyInto(CopySource& source, const QString& to, const CopyProgress& progress = {});
// The same, telling progress how far each table is; a WorkCancelled thrown from it stops the
// copy as a failure would, with nothing kept.
QString CopyInto(CopySource& source, const QString& to, WorkProgress& progress);

// The same from the Vantor database at from, either way between a file and a server, or file
// to file and server to server. The source is read as one snapshot. An Access file of the
// earlier Vantor is read as JetSource maps it, and never written to.
QString CopyDatabase(const QString& from, const QString& to, const CopyProgress& progress = {});
