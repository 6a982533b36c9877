#pragma once

#include "core/engine/Engine.h"

#include <QString>

class QSqlDatabase;

// Creates the five tables, their keys, cascades and indexes in an empty database.
void CreateSchema(QSqlDatabase& db);

// Why the database cannot serve as a Vantor database, or an empty text when it can.
QString SchemaProblem(QSqlDatabase& db);
