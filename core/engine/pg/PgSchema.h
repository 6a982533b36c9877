#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class PgLink;

// A Vantor table on the server: its name and columns as the program spells them, and the
// lower-case names the server keeps (unquoted, so that psql and people's own SQL need no
// quotes). The key comes first, as in the database file.
struct PgTable {
    QString name;
    QByteArray table;
    std::vector<QString> columns;
    std::vector<QByteArray> names; // names[i] for columns[i]
    const QByteArray& key() const { return names.front(); }
};

// The five tables, parents before their children.
const std::vector<PgTable>& PgTables();
// The table of that name, in any letter case; nullptr for none.
const PgTable* FindPgTable(const QString& name);

// Checks that the database can serve as a Vantor database, and gives an empty one the tables
// when mode allows it. Throws DbError with a sentence that says why it cannot serve.
void PreparePgDatabase(PgLink& link, bool create);
