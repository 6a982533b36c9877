#include "core/engine/sqlite/SqliteEngine.h"

#include "core/engine/sqlite/SqliteError.h"
#include "core/engine/sqlite/SqliteSchema.h"
#include "core/sql/Like.h"
#include "core/sql/SqlText.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <cerrno>
#include <unistd.h>

namespace {
// Why an existing file cannot be an SQLite database, read without writing to it.
QString fileProblem(const QString& path)
{
    QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("The path names a folder, not a database file.");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("The file cannot be read: %1.").arg(f.errorString());
    const QByteArray header = f.read(16);
    if (header.isEmpty())
        return QStringLiteral("The file is empty; it is not a Vantor database.");
    if (header != QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("The file is not a Vantor database (it is not an SQLite file).");
    return {};
}

sqlite3* handleOf(const QSqlDatabase& db)
{
    QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.data());
}

using Sql::Bracketed;
} // namespace

SqliteEngine::SqliteEngine(const QString& path, const QString& name) : m_path(path), m_name(name) {}

SqliteEngine::~SqliteEngine()
{
    // SQLite does not close a connection that still has prepared statements.
    m_readers.clear();
    {
        QSqlDatabase d = db();
        if (d.isOpen())
            d.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<SqliteEngine> SqliteEngine::open(const QString& path, OpenMode mode)
{
    static int serial = 0;
    const bool exists = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    if (!exists && mode == OpenMode::ExistingOnly)
        throw DbError(QStringLiteral("There is no database file %1.").arg(path));
    if (exists) {
        QString problem = fileProblem(path);
        if (!problem.isEmpty())
            throw DbError(problem);
    } else if (!QFileInfo(path).absoluteDir().exists()) {
        throw DbError(QStringLiteral("The folder of the database does not exist."));
    }
    std::unique_ptr<SqliteEngine> e(
        new SqliteEngine(path, QStringLiteral("vantor-%1").arg(++serial)));
    e->connect();
    e->prepareFile(exists);
    return e;
}

void SqliteEngine::connect()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw DbError(DescribeSqlError(db.lastError()));
    m_handle = handleOf(db);
    if (!m_handle || !RegisterLike(m_handle))
        throw DbError(QStringLiteral("The database driver could not be prepared."));
}

void SqliteEngine::prepareFile(bool exists)
{
    if (exists)
        checkFile();
    run(QStringLiteral("PRAGMA foreign_keys = ON"), {});
    if (!exists)
        createSchema();
}

void SqliteEngine::checkFile()
{
    QSqlDatabase d = db();
    QString problem = SchemaProblem(d);
    if (!problem.isEmpty())
        throw DbError(problem);
    // A damaged file (cut short by a copy, say) is refused before anything is read from or
    // written to it.
    QSqlQuery check(d);
    if (!check.exec(QStringLiteral("PRAGMA quick_check(1)")) || !check.next())
        throw DbError(DescribeSqlError(check.lastError()));
    const QString verdict = check.value(0).toString();
    if (verdict != QLatin1String("ok"))
        throw DbError(QStringLiteral("The database file is damaged (%1).").arg(verdict));
}

void SqliteEngine::createSchema()
{
    QSqlDatabase d = db();
    try {
        begin();
        CreateSchema(d);
        commit();
    } catch (const DbError&) {
        // A file that did not get its tables would be refused as foreign at the next start.
        rollback();
        d.close();
        QFile::remove(m_path);
        throw;
    }
}

QSqlDatabase SqliteEngine::db() const
{
    return QSqlDatabase::database(m_name, false);
}

QSqlQuery SqliteEngine::run(const QString& sql, const QVariantList& values)
{
    QSqlQuery q(db());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw DbError(DescribeSqlError(q.lastError()));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw DbError(DescribeSqlError(q.lastError()));
    return q;
}

void SqliteEngine::checkWritable() const
{
    if (!m_lockRefused.isEmpty())
        throw DbError(m_lockRefused);
    // The open handle could still write, but the user has taken that right away from the file,
    // or the file is gone and what was written would vanish with the handle.
    if (::access(QFile::encodeName(m_path).constData(), W_OK) != 0) {
        if (errno == ENOENT)
            throw DbError(QStringLiteral("The database file %1 is no longer there; nothing can "
                                         "be saved to it.")
                              .arg(m_path));
        if (errno == EACCES || errno == EROFS || errno == EPERM)
            throw DbError(QStringLiteral("The database file %1 is read-only; nothing can be "
                                         "saved to it.")
                              .arg(m_path));
    }
    // Every save writes a journal beside the file first.
    const QString folder = QFileInfo(m_path).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0 &&
        (errno == EACCES || errno == EROFS || errno == EPERM))
        throw DbError(QStringLiteral("The folder %1 of the database file cannot be written to; "
                                     "nothing can be saved.")
                          .arg(folder));
}

// Through SQLite's own interface, so that texts are bound as UTF-8 (see BindValue).
SqliteEngine::Written SqliteEngine::write(const QString& sql, const QVariantList& values)
{
    checkWritable();
    const Statement statement(m_handle, sql);
    bindAll(statement, values);
    if (sqlite3_step(statement.get()) != SQLITE_DONE)
        throw StatementError(m_handle);
    return {sqlite3_changes64(m_handle), sqlite3_last_insert_rowid(m_handle)};
}

void SqliteEngine::bindAll(const Statement& statement, const QVariantList& values) const
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (BindValue(statement.get(), int(i) + 1, values.at(i)) != SQLITE_OK)
            throw StatementError(m_handle);
    }
}

qint64 SqliteEngine::insert(const QString& table, const QStringList& fields,
                            const QVariantList& values)
{
    QString sql = QStringLiteral("INSERT INTO ") + Bracketed(table);
    if (fields.isEmpty()) {
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList columns, marks;
        for (const QString& f : fields) {
            columns << Bracketed(f);
            marks << QStringLiteral("?");
        }
        sql += QStringLiteral(" (") + columns.join(',') + QStringLiteral(") VALUES (") +
               marks.join(',') + QLatin1Char(')');
    }
    const qint64 key = write(sql, values).lastKey;
    m_bases.added(table, fields, values, key);
    return key;
}

Engine::Rows SqliteEngine::query(const QString& sql, const QVariantList& values)
{
    // The program's dialect is SQLite's own.
    const Statement statement(m_handle, sql);
    bindAll(statement, values);
    Rows rows;
    const int columns = sqlite3_column_count(statement.get());
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << ColumnValue(statement.get(), c);
        rows << row;
    }
    if (step != SQLITE_DONE)
        throw StatementError(m_handle);
    return rows;
}

void SqliteEngine::begin()
{
    m_lockRefused.clear();
    m_bases.begin();
    // The write lock is taken at the start, where the busy timeout waits for another program
    // to finish: once a command has read, SQLite cannot wait for the lock without risking a
    // deadlock and refuses at once.
    QSqlQuery q(db());
    if (q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return;
    const QSqlError refused = q.lastError();
    const int code = refused.nativeErrorCode().toInt() & 0xff;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_READONLY) {
        // Reading still works; a write of this command is refused with the reason.
        if (code != SQLITE_READONLY)
            m_lockRefused = DescribeSqlError(refused);
        if (q.exec(QStringLiteral("BEGIN")))
            return;
    }
    m_lockRefused.clear();
    throw DbError(DescribeSqlError(q.lastError()));
}

void SqliteEngine::beginSnapshot()
{
    m_lockRefused.clear();
    // A deferred transaction holds its read lock from the first read to its end, and no other
    // program may commit a change while it is held: the first read fixes the snapshot.
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("BEGIN")))
        throw DbError(DescribeSqlError(q.lastError()));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"))) {
        const QString why = DescribeSqlError(q.lastError());
        db().rollback();
        throw DbError(why);
    }
}

void SqliteEngine::commit()
{
    m_lockRefused.clear();
    QSqlDatabase d = db();
    if (!d.commit())
        throw DbError(DescribeSqlError(d.lastError()));
    m_bases.commit();
}

void SqliteEngine::rollback()
{
    m_lockRefused.clear();
    db().rollback();
    m_bases.rollback();
}
