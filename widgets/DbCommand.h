#pragma once

#include <functional>

class Connection;
class QString;

// Runs a command in one transaction. A database failure rolls the whole command back and is
// shown once, by the outermost command, with the database's own words. True on success.
bool RunCommand(Connection* connection, const std::function<void()>& body);

void ShowDbError(const QString& text);
