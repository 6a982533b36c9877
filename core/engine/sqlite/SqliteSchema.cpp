#include "core/engine/sqlite/SqliteSchema.h"

#include "core/engine/DbError.h"
#include "core/engine/sqlite/SqliteError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {
const char* const kStatements[] = {
    "CREATE TABLE [Software] ("
    " [SoftwareID] INTEGER PRIMARY KEY AUTOINCREMENT,"
    " [SoftwareTitle] TEXT,"
    " [Comments] TEXT)",
    "CREATE TABLE [Versions] ("
    " [ReleaseID] INTEGER PRIMARY KEY AUTOINCREMENT,"
    " [SoftwareID] INTEGER NOT NULL REFERENCES [Software]([SoftwareID]) ON DELETE CASCADE,"
    " [ReleaseNumber] TEXT,"
    " [ReleaseDate] DATE)",
    "CREATE TABLE [Changes] ("
    " [ChangeID] INTEGER PRIMARY KEY AUTOINCREMENT,"
    " [ReleaseID] INTEGER NOT NULL REFERENCES [Versions]([ReleaseID]) ON DELETE CASCADE,"
    " [Change] TEXT)",
    "CREATE TABLE [Files] ("
    " [FileID] INTEGER PRIMARY KEY AUTOINCREMENT,"
    " [ReleaseID] INTEGER NOT NULL REFERENCES [Versions]([ReleaseID]) ON DELETE CASCADE,"
    " [File] TEXT,"
    " [Version] TEXT,"
    " [Date] DATE)",
    "CREATE TABLE [Problems] ("
    " [ProblemID] INTEGER PRIMARY KEY AUTOINCREMENT,"
    " [SoftwareID] INTEGER NOT NULL REFERENCES [Software]([SoftwareID]) ON DELETE CASCADE,"
    " [Problem] TEXT,"
    " [Solution] TEXT)",
    "CREATE INDEX [SoftwareTitleIndex] ON [Software]([SoftwareTitle])",
    "CREATE INDEX [VersionsSoftwareIndex] ON [Versions]([SoftwareID])",
    "CREATE INDEX [ChangesReleaseIndex] ON [Changes]([ReleaseID])",
    "CREATE INDEX [FilesReleaseIndex] ON [Files]([ReleaseID])",
    "CREATE INDEX [ProblemsSoftwareIndex] ON [Problems]([SoftwareID])",
};

const QStringList kTables = {"Software", "Versions", "Changes", "Files", "Problems"};
} // namespace

void CreateSchema(QSqlDatabase& db)
{
    QSqlQuery q(db);
    for (const char* sql : kStatements) {
        if (!q.exec(QString::fromLatin1(sql)))
            throw DbError(q.lastError().databaseText());
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)))
        throw DbError(q.lastError().databaseText());
}

QString SchemaProblem(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        return DescribeSqlError(q.lastError());
    QStringList present;
    while (q.next())
        present << q.value(0).toString().toLower();
    QStringList missing;
    for (const QString& t : kTables) {
        if (!present.contains(t.toLower()))
            missing << t;
    }
    if (missing.size() == kTables.size())
        return QStringLiteral("The file holds no Vantor tables; it belongs to another program.");
    if (!missing.isEmpty())
        return QStringLiteral("The file lacks the tables %1.").arg(missing.join(", "));
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return DescribeSqlError(q.lastError());
    if (q.value(0).toInt() > kSchemaVersion)
        return QStringLiteral("The file was made by a newer version of Vantor.");
    return {};
}
