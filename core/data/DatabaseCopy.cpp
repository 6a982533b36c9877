#include "core/data/DatabaseCopy.h"

#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <memory>

namespace {
// Parents before their children, so that every row finds the row it belongs to.
const char* const kTables[] = {"Software", "Versions", "Changes", "Files", "Problems"};
constexpr int kProgressRows = 20000;

int countOf(Connection& c, const QString& table)
{
    const Engine::Rows rows = c.query(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table));
    return rows.value(0).value(0).toInt();
}

void refuseNonEmpty(Connection& target, const QString& to)
{
    QStringList held;
    for (const char* table : kTables) {
        if (const int n = countOf(target, QString::fromLatin1(table)))
            held << QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(table));
    }
    if (!held.isEmpty())
        throw DbError(QStringLiteral("The target %1 already holds records (%2); Vantor copies "
                                     "only into an empty database, and left it as it was.")
                          .arg(ShownDatabase(to), held.join(QStringLiteral(", "))));
}

// Copies one table; returns its number of rows.
int copyTable(Connection& source, Connection& target, const QString& table,
              const std::function<void(const QString&)>& progress)
{
    Engine& from = source.engine();
    Engine& to = target.engine();
    QStringList columns;
    for (const QString& c : from.columns(table))
        columns << c;
    const std::vector<qint64> keys = from.keys(table, QString());
    const int count = int(keys.size());
    QVariantList values;
    int done = 0;
    from.readFields(table, columns, keys.data(), count, [&](int i, const QVariant* row) {
        values.clear();
        for (qsizetype c = 0; c < columns.size(); ++c)
            values << row[c];
        try {
            to.insert(table, columns, values);
        } catch (const DbError& e) {
            throw DbError(QStringLiteral("%1, the record with the key %2: %3")
                              .arg(table)
                              .arg(keys[size_t(i)])
                              .arg(e.text()));
        }
        if (++done % kProgressRows == 0 && progress)
            progress(QStringLiteral("%1: %2 of %3 records").arg(table).arg(done).arg(count));
    });
    to.keysWritten(table);
    const int copied = countOf(target, table);
    if (done != count || copied != count)
        throw DbError(QStringLiteral("%1: %2 records read, but the target holds %3; nothing was "
                                     "copied.")
                          .arg(table)
                          .arg(count)
                          .arg(copied));
    return count;
}
} // namespace

QString CopyDatabase(const QString& from, const QString& to,
                     const std::function<void(const QString&)>& progress)
{
    if (from == to)
        throw DbError(QStringLiteral("The source and the target are the same database."));
    const std::shared_ptr<Connection> source = Connection::open(from, OpenMode::ExistingOnly);
    const bool newFile = !IsServerDatabase(to) && !QFileInfo::exists(to);
    std::shared_ptr<Connection> target = Connection::open(to);
    QStringList counts;
    try {
        refuseNonEmpty(*target, to);
        Transaction read(*source);
        Transaction write(*target);
        for (const char* table : kTables) {
            const QString name = QString::fromLatin1(table);
            counts << QStringLiteral("%1 %2")
                          .arg(copyTable(*source, *target, name, progress))
                          .arg(name);
        }
        write.commit();
    } catch (const DbError&) {
        // A file made for the copy goes again with it.
        target.reset();
        if (newFile)
            QFile::remove(to);
        throw;
    }
    try {
        target->engine().settle();
    } catch (const DbError&) {
        // The copy is committed; the server brings its figures up to date by itself later.
    }
    return QStringLiteral("Copied %1 from %2 to %3.")
        .arg(counts.join(QStringLiteral(", ")), ShownDatabase(from), ShownDatabase(to));
}
