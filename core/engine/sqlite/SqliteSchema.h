#pragma once

#include <QString>

class QSqlDatabase;

constexpr int kSchemaVersion = 1;

// Creates the five tables, their keys, cascades and indexes in an empty database.
void CreateSchema(QSqlDatabase& db);

// Why the database cannot serve as a Vantor database, or an empty text when it can.
QString SchemaProblem(QSqlDatabase& db);
