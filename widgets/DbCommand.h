#pragma once

#include <functional>

class Connection;
class QString;
class RecordSource;

// Runs a command in one transaction. A database failure rolls the whole command back and is
// shown once, by the outermost command, with the database's own words. True on success.
bool RunCommand(Connection* connection, const std::function<void()>& body);

void ShowDbError(const QString& text);

// Within a command: makes the first row of the set that meets the criterion current, searching
// from its first row; DbError with missingText when no row does, which ends the command.
void FindRow(RecordSource* set, const QString& criterion, const QString& missingText);
