#include "core/data/Connection.h"

#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/engine/pg/PgAddress.h"
#include "core/engine/pg/PgEngine.h"
#include "core/engine/pg/PgLink.h"
#include "core/engine/sqlite/SqliteEngine.h"
#include "core/jet/JetFile.h"

#include <QCoreApplication>
#include <QHash>

namespace {
const char kProvider[] = "Provider=Vantor.SQLite.1;Persist Security Info=False;Data Source=";
const char kDataSource[] = "Data Source=";

QHash<QString, std::shared_ptr<Connection>>& registry()
{
    static QHash<QString, std::shared_ptr<Connection>> r;
    return r;
}

// The shared connections close with the application object, while Qt SQL can still close
// them: its own globals are gone before the C runtime destroys static objects, and removing a
// connection then reads freed memory. Each application object runs the routine once.
void closeWithApplication()
{
    qRemovePostRoutine(&Connection::closeAll);
    qAddPostRoutine(&Connection::closeAll);
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

bool IsServerDatabase(const QString& path)
{
    return path.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           path.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString ShownDatabase(const QString& path)
{
    return IsServerDatabase(path) ? ShownAddress(path) : path;
}

QString PasswordAdvice()
{
    return QStringLiteral("Take the password out of the address and put it into libpq's "
                          "password file ~/.pgpass (readable by you only; PGPASSFILE names "
                          "another file) or into PGPASSWORD: Vantor finds it there, as psql "
                          "does.");
}

QString CommandLineAddressFault(const QString& path)
{
    if (!IsServerDatabase(path) || !UriHoldsPassword(path))
        return {};
    return QStringLiteral("Vantor takes no password on its command line, where every user of "
                          "this computer can read it. ") +
           PasswordAdvice();
}

QString DatabaseSettingFault(const QString& path)
{
    if (!IsServerDatabase(path))
        return {};
    if (UriHoldsPassword(path))
        return QStringLiteral("Vantor does not keep a password in its settings file, where "
                              "others may read it. ") +
               PasswordAdvice();
    try {
        PgLink readable(path);
    } catch (const DbError& e) {
        return e.text();
    }
    return {};
}

Connection::Connection(const QString& path, std::unique_ptr<Engine> engine, bool onServer)
    : m_path(path), m_engine(std::move(engine)), m_onServer(onServer)
{
}

Connection::~Connection() = default;

std::shared_ptr<Connection> Connection::open(const QString& path, OpenMode mode)
{
    const bool server = IsServerDatabase(path);
    // An Access file is only ever read, for a copy: never opened as a database to work in.
    if (const JetHeader jet = server ? JetHeader() : JetHeaderOf(path);
        jet.format != JetFormat::None)
        throw DbError(JetNotVantorText(jet));
    std::unique_ptr<Engine> engine;
    if (server)
        engine = PgEngine::open(path, mode);
    else
        engine = SqliteEngine::open(path, mode);
    return std::shared_ptr<Connection>(new Connection(path, std::move(engine), server));
}

std::shared_ptr<Connection> Connection::shared(const QString& path)
{
    auto& r = registry();
    auto it = r.find(path);
    if (it != r.end())
        return it.value();
    auto c = open(path);
    if (r.isEmpty())
        closeWithApplication();
    r.insert(path, c);
    return c;
}

void Connection::closeAll()
{
    registry().clear();
}

QSqlDatabase Connection::db() const
{
    return m_engine->db();
}

QSqlQuery Connection::run(const QString& sql, const QVariantList& values)
{
    return m_engine->run(sql, values);
}

Engine::Rows Connection::query(const QString& sql, const QVariantList& values)
{
    return m_engine->query(sql, values);
}

void Connection::begin()
{
    if (m_depth++ > 0)
        return;
    beginOutermost(&Engine::begin);
}

void Connection::beginSnapshot()
{
    if (m_depth++ > 0) {
        --m_depth;
        throw DbError(QStringLiteral("A snapshot cannot begin inside another transaction."));
    }
    beginOutermost(&Engine::beginSnapshot);
}

void Connection::beginOutermost(void (Engine::*start)())
{
    m_failed = false;
    m_failureText.clear();
    try {
        (m_engine.get()->*start)();
    } catch (...) {
        m_depth = 0;
        throw;
    }
}

void Connection::commit()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    if (!m_failed) {
        try {
            m_engine->commit();
        } catch (const DbError& e) {
            noteFailure(e.text());
        }
    }
    if (!m_failed) {
        emit committed();
        return;
    }
    m_engine->rollback();
    emit rolledBack();
    throw DbError(m_failureText.isEmpty() ? QStringLiteral("The changes could not be saved.")
                                          : m_failureText);
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
    m_engine->rollback();
    emit rolledBack();
}
