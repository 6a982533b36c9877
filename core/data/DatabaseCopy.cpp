#include "core/data/DatabaseCopy.h"

#include "core/data/Connection.h"
#include "core/data/CopySource.h"
#include "core/data/WorkProgress.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/jet/JetFile.h"
#include "core/jet/JetSource.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <memory>

namespace {
constexpr qint64 kProgressRows = 20000;
// Rows between two reports to a WorkProgress: often enough for a bar and a prompt stop.
constexpr qint64 kAdvanceRows = 256;

// A progress line now and then, as --copy prints them.
class LineProgress final : public WorkProgress {
public:
    explicit LineProgress(const CopyProgress& line) : m_line(line) {}
    void begin(const QString& part, qint64 total) override
    {
        m_part = part;
        m_total = total;
        m_lines = 0;
    }
    void advance(qint64 done) override
    {
        if (!m_line || done / kProgressRows <= m_lines)
            return;
        m_lines = done / kProgressRows;
        m_line(QStringLiteral("%1: %2 of %3 records").arg(m_part).arg(done).arg(m_total));
    }

private:
    const CopyProgress& m_line;
    QString m_part;
    qint64 m_total = 0;
    qint64 m_lines = 0;
};

qint64 countOf(Connection& c, const QString& table)
{
    const Engine::Rows rows = c.query(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table));
    return rows.value(0).value(0).toLongLong();
}

void refuseNonEmpty(Connection& target, const QString& to)
{
    QStringList held;
    for (const QString& table : RecordTables()) {
        if (const qint64 n = countOf(target, table))
            held << QStringLiteral("%1 %2").arg(n).arg(table);
    }
    if (!held.isEmpty())
        throw DbError(QStringLiteral("The target %1 already holds records (%2); Vantor copies "
                                     "only into an empty database, and left it as it was.")
                          .arg(ShownDatabase(to), held.join(QStringLiteral(", "))));
}

// Copies one table; returns its number of rows.
qint64 copyTable(CopySource& source, Connection& target, const QString& table,
                 WorkProgress& progress)
{
    Engine& to = target.engine();
    const QStringList fields = source.fields(table);
    const qint64 count = source.count(table);
    QVariantList values;
    qint64 done = 0;
    progress.begin(table, count);
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
        if (++done % kAdvanceRows == 0)
            progress.advance(done);
    });
    progress.advance(done);
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
    LineProgress lines(progress);
    return CopyInto(source, to, lines);
}

QString CopyInto(CopySource& source, const QString& to, WorkProgress& progress)
{
    const bool newFile = !IsServerDatabase(to) && !QFileInfo::exists(to);
    QStringList counts;
    QString searchNote;
    try {
        std::shared_ptr<Connection> target = Connection::open(to);
        refuseNonEmpty(*target, to);
        Transaction write(*target);
        for (const QString& table : RecordTables()) {
            counts << QStringLiteral("%1 %2")
                          .arg(copyTable(source, *target, table, progress))
                          .arg(table);
        }
        write.commit();
        try {
            target->engine().settle();
        } catch (const DbError&) {
            // The copy is committed; the server brings its figures up to date by itself later.
        }
        // The index Find uses, made over the rows now in place: faster than row by row.
        try {
            searchNote = target->engine().prepareSearch(progress);
        } catch (const DbError&) {
            // Stopped: the rows not yet indexed are read by the searches until the next open.
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
    if (!searchNote.isEmpty())
        summary += QLatin1Char('\n') + searchNote;
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
