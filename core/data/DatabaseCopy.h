#pragma once

#include <QString>

#include <functional>

// Copies every row of the Vantor database at from (a file or a server database) into the one
// at to, keeping the keys: either way between a file and a server, or file to file and server
// to server. The target must be empty (a missing file is made, an empty server database gets
// the tables); one that holds a record is refused untouched. Everything is written in one
// transaction and the counts of both sides are compared before it is committed. progress gets
// a line now and then for a large copy. Returns a summary; throws DbError with the reason.
QString CopyDatabase(const QString& from, const QString& to,
                     const std::function<void(const QString&)>& progress = {});
