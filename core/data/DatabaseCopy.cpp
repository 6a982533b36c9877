#include "core/data/DatabaseCopy.h"

#include "core/data/Connection.h"
#include "core/data/CopySource.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/jet/JetFile.h"
#include "core/jet/JetSource.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <memory>

namespace {
// Parents before their children, so that every row finds the row it belongs to.
const char* const kTables[] = {"Software", "Versions", "Changes", "Files", "Problems"};
constexpr qint64 kProgressRows = 20000;

qint64 countOf(Connection& c, const QString& table)
{
    const Engine::Rows rows = c.query(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table));
    return rows.value(0).value(0).toLongLong();
}

void refuseNonEmpty(Connection& target, const QString& to)
{
    QStringList held;
    for (const char* table : kTables) {
        if (const qint64 n = countOf(target, QString::fromLatin1(table)))
            held << QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(table));
    }
    if (!held.isEmpty())
        throw DbError(QStringLiteral("The target %1 already holds records (%2); Vantor copies "
                                     "only into an empty database, and left it as it was.")
                          .arg(ShownDatabase(to), held.join(QStringLiteral(", "))));
}

// Copies one table; returns its number of rows.
qint64 copyTable(CopySource& source, Connection& target, const QString& table,
                 const CopyProgress& progress)
{
    Engine& to = target.engine();
    const QStringList fields = source.fields(table);
    const qint64 count = source.count(table);
    QVariantList values;
    qint64 done = 0;
    source.rows(table, [&](const QVariant* row) {
        values.clear();
        for (qsizetype f = 0; f < fields.size(); ++f)
            values << row[f];
        try {
            to.insert(table, fields, values);
        } catch (const DbError& e) {
            throw DbError(QStringLiteral("%1, the record with the key %2: %3")
                              .arg(table, row[0].toString(), e.text()));
        }
        if (++done % kProgressRows == 0 && progress)
            progress(QStringLiteral("%1: %2 of %3 records").arg(table).arg(done).arg(count));
    });
    to.keysWritten(table);
    // A target that silently kept fewer rows than it was given (a trigger of the server's,
    // say) must not be committed as a copy.
    const qint64 copied = countOf(target, table);
    if (done != count || copied != count)
        throw DbError(QStringLiteral("%1: %2 records read, but the target holds %3; nothing was "
                                     "copied.")
                          .arg(table)
                          .arg(count)
                          .arg(copied));
    return count;
}
} // namespace

QString CopyInto(CopySource& source, const QString& to, const CopyProgress& progress)
{
    const bool newFile = !IsServerDatabase(to) && !QFileInfo::exists(to);
    QStringList counts;
    try {
        std::shared_ptr<Connection> target = Connection::open(to);
        refuseNonEmpty(*target, to);
        Transaction write(*target);
        for (const char* table : kTables) {
            const QString name = QString::fromLatin1(table);
            counts << QStringLiteral("%1 %2")
                          .arg(copyTable(source, *target, name, progress))
                          .arg(name);
        }
        write.commit();
        try {
            target->engine().settle();
        } catch (const DbError&) {
            // The copy is committed; the server brings its figures up to date by itself later.
        }
    } catch (const DbError&) {
        // A file made for the copy goes again with it; one that was there stays as it was.
        if (newFile)
            QFile::remove(to);
        throw;
    }
    QString summary =
        QStringLiteral("Copied %1 from %2 to %3.")
            .arg(counts.join(QStringLiteral(", ")), source.shownName(), ShownDatabase(to));
    for (const QString& remark : source.remarks())
        summary += QLatin1Char('\n') + remark;
    return summary;
}

QString CopyDatabase(const QString& from, const QString& to, const CopyProgress& progress)
{
    if (from == to)
        throw DbError(QStringLiteral("The source and the target are the same database."));
    if (!IsServerDatabase(from) && IsJetFile(from))
        return CopyInto(*OpenJetSource(from), to, progress);
    DatabaseSource source(from);
    return CopyInto(source, to, progress);
}
