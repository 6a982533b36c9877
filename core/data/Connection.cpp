#include "core/data/Connection.h"

#include "core/engine/DbError.h"
#include "core/engine/sqlite/SqliteError.h"
#include "core/engine/sqlite/SqliteSchema.h"
#include "core/sql/Like.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <cerrno>
#include <unistd.h>

namespace {
const char kProvider[] = "Provider=Vantor.SQLite.1;Persist Security Info=False;Data Source=";
const char kDataSource[] = "Data Source=";

QHash<QString, std::shared_ptr<Connection>>& registry()
{
    static QHash<QString, std::shared_ptr<Connection>> r;
    return r;
}

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
} // namespace

QString ConnectionText(const QString& databasePath)
{
    return kProvider + databasePath;
}

QString DataSourceOf(const QString& connectionText)
{
    qsizetype at = connectionText.indexOf(QLatin1String(kDataSource));
    return at < 0 ? connectionText : connectionText.mid(at + qsizetype(strlen(kDataSource)));
}

Connection::Connection(const QString& path, const QString& name) : m_path(path), m_name(name) {}

Connection::~Connection()
{
    {
        QSqlDatabase d = db();
        if (d.isOpen())
            d.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

std::shared_ptr<Connection> Connection::open(const QString& path)
{
    static int serial = 0;
    const bool exists = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    if (exists) {
        QString problem = fileProblem(path);
        if (!problem.isEmpty())
            throw DbError(problem);
    } else if (!QFileInfo(path).absoluteDir().exists()) {
        throw DbError(QStringLiteral("The folder of the database does not exist."));
    }

    const QString name = QStringLiteral("vantor-%1").arg(++serial);
    std::shared_ptr<Connection> c(new Connection(path, name));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            throw DbError(DescribeSqlError(db.lastError()));
        sqlite3* handle = handleOf(db);
        if (!handle || !RegisterLike(handle))
            throw DbError(QStringLiteral("The database driver could not be prepared."));
        c->m_handle = handle;
    }
    QSqlDatabase db = c->db();
    if (exists) {
        QString problem = SchemaProblem(db);
        if (!problem.isEmpty())
            throw DbError(problem);
        // A damaged file (cut short by a copy, say) is refused before anything is read from or
        // written to it.
        QSqlQuery check(db);
        if (!check.exec(QStringLiteral("PRAGMA quick_check(1)")) || !check.next())
            throw DbError(DescribeSqlError(check.lastError()));
        const QString verdict = check.value(0).toString();
        if (verdict != QLatin1String("ok"))
            throw DbError(QStringLiteral("The database file is damaged (%1).").arg(verdict));
    }
    c->run(QStringLiteral("PRAGMA foreign_keys = ON"));
    if (!exists) {
        try {
            Transaction t(*c);
            CreateSchema(db);
            t.commit();
        } catch (const DbError&) {
            db.close();
            QFile::remove(path);
            throw;
        }
    }
    return c;
}

std::shared_ptr<Connection> Connection::shared(const QString& path)
{
    auto& r = registry();
    auto it = r.find(path);
    if (it != r.end())
        return it.value();
    auto c = open(path);
    r.insert(path, c);
    return c;
}

void Connection::closeAll()
{
    registry().clear();
}

sqlite3* Connection::handle() const
{
    return m_handle;
}

QSqlQuery Connection::run(const QString& sql, const QVariantList& values)
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

QSqlQuery Connection::write(const QString& sql, const QVariantList& values)
{
    if (m_depth > 0 && !m_lockRefused.isEmpty())
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
    return run(sql, values);
}

void Connection::begin()
{
    if (m_depth++ > 0)
        return;
    m_failed = false;
    m_failureText.clear();
    m_lockRefused.clear();
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
    m_depth = 0;
    throw DbError(DescribeSqlError(q.lastError()));
}

void Connection::commit()
{
    if (m_depth == 0)
        return;
    if (--m_depth > 0)
        return;
    if (m_failed || !db().commit()) {
        QString text = m_failed ? m_failureText : DescribeSqlError(db().lastError());
        db().rollback();
        emit rolledBack();
        throw DbError(text.isEmpty() ? QStringLiteral("The changes could not be saved.") : text);
    }
    emit committed();
}

void Connection::noteFailure(const QString& text)
{
    m_failed = true;
    if (m_failureText.isEmpty())
        m_failureText = text;
}

void Connection::rollback()
{
    if (m_depth == 0)
        return;
    if (--m_depth > 0) {
        m_failed = true; // the outer scope must not commit half a command
        return;
    }
    db().rollback();
    emit rolledBack();
}
