#include "core/exchange/DatabaseDump.h"

#include "core/data/Connection.h"
#include "core/data/DatabaseCopy.h"
#include "core/data/WorkProgress.h"
#include "core/engine/Engine.h"
#include "core/exchange/Json.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
const char kFormat[] = "Vantor database dump";
// Rows between two reports to the progress, and bytes gathered before a write.
constexpr qint64 kAdvanceRows = 256;
constexpr qsizetype kWriteBytes = 1 << 20;

void writeOut(QSaveFile& out, QByteArray& buffer)
{
    if (out.write(buffer) != buffer.size())
        throw DbError(QStringLiteral("The file %1 could not be written: %2.")
                          .arg(out.fileName(), out.errorString()));
    buffer.clear();
}

// One table: its head on a line, then each record on a line of its own.
qint64 dumpTable(CopySource& source, const QString& table, QSaveFile& out, QByteArray& buffer,
                 WorkProgress& progress)
{
    const QStringList fields = source.fields(table);
    const qint64 count = source.count(table);
    buffer += "{\"table\": ";
    AppendJsonString(buffer, table);
    buffer += ", \"fields\": [";
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            buffer += ", ";
        AppendJsonString(buffer, fields.at(i));
    }
    buffer += "], \"count\": " + QByteArray::number(count) + ", \"rows\": [";
    progress.begin(table, count);
    qint64 done = 0;
    source.rows(table, [&](const QVariant* values) {
        buffer += done ? ",\n[" : "\n[";
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i)
                buffer += ", ";
            AppendJsonValue(buffer, values[i]);
        }
        buffer += ']';
        if (buffer.size() >= kWriteBytes)
            writeOut(out, buffer);
        if (++done % kAdvanceRows == 0)
            progress.advance(done);
    });
    progress.advance(done);
    if (done != count)
        throw DbError(QStringLiteral("%1: %2 records counted but %3 read; nothing was written.")
                          .arg(table)
                          .arg(count)
                          .arg(done));
    buffer += "]}";
    return count;
}
} // namespace

QString DumpDatabase(CopySource& source, const QString& file, WorkProgress& progress)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw DbError(
            QStringLiteral("The file %1 cannot be written: %2.").arg(file, out.errorString()));
    QByteArray buffer = QByteArrayLiteral("{\"format\": ");
    AppendJsonString(buffer, QString::fromLatin1(kFormat));
    buffer += ",\n\"schema\": " + QByteArray::number(kSchemaVersion) + ",\n\"tables\": [\n";
    QStringList counts;
    const QStringList& tables = RecordTables();
    for (const QString& table : tables) {
        const qint64 n = dumpTable(source, table, out, buffer, progress);
        buffer += &table == &tables.last() ? "\n" : ",\n";
        counts << QStringLiteral("%1 %2").arg(n).arg(table);
    }
    buffer += "]}\n";
    writeOut(out, buffer);
    // Only a complete file takes the name; until then an earlier one stays as it was.
    if (!out.commit())
        throw DbError(
            QStringLiteral("The file %1 could not be written: %2.").arg(file, out.errorString()));
    return QStringLiteral("Wrote %1 from %2 to %3.")
        .arg(counts.join(QStringLiteral(", ")), source.shownName(), file);
}

DumpSource::DumpSource(const QString& file) : m_path(file), m_file(file)
{
    if (!m_file.open(QIODevice::ReadOnly))
        throw DbError(
            QStringLiteral("The file %1 cannot be read: %2.").arg(file, m_file.errorString()));
    m_size = m_file.size();
    if (uchar* mapped = m_size > 0 ? m_file.map(0, m_size) : nullptr) {
        m_data = reinterpret_cast<const char*>(mapped);
    } else {
        m_read = m_file.readAll();
        m_data = m_read.constData();
        m_size = m_read.size();
    }
    try {
        check();
    } catch (const JsonError& e) {
        throw DbError(QStringLiteral("The file %1 is not a database dump Vantor can restore: %2.")
                          .arg(file, e.text()));
    }
}

DumpSource::~DumpSource() = default;

void DumpSource::check()
{
    JsonReader r(m_data, m_size);
    r.beginObject();
    r.expectKey("format");
    const qsizetype formatAt = r.position();
    if (r.readString() != QLatin1String(kFormat))
        r.failAt(formatAt, QStringLiteral("\"%1\"").arg(QLatin1String(kFormat)));
    r.expectKey("schema");
    const qsizetype schemaAt = r.position();
    const qint64 schema = r.readInteger();
    if (schema > kSchemaVersion)
        throw DbError(QStringLiteral("The file %1 was written by a newer version of Vantor "
                                     "(its records have layout %2; this version reads up to "
                                     "%3); nothing was restored.")
                          .arg(m_path)
                          .arg(schema)
                          .arg(kSchemaVersion));
    if (schema < 1)
        r.failAt(schemaAt, QStringLiteral("a layout number of 1 or more"));
    r.expectKey("tables");
    r.beginArray();
    for (const QString& name : RecordTables()) {
        if (!r.nextElement())
            r.fail(QStringLiteral("the table %1").arg(name));
        r.beginObject();
        r.expectKey("table");
        const qsizetype nameAt = r.position();
        if (r.readString() != name)
            r.failAt(nameAt, QStringLiteral("the table \"%1\"").arg(name));
        Table t;
        r.expectKey("fields");
        r.beginArray();
        while (r.nextElement())
            t.fields << r.readString();
        if (t.fields.isEmpty())
            r.fail(QStringLiteral("the fields of %1").arg(name));
        r.expectKey("count");
        const qsizetype countAt = r.position();
        t.count = r.readInteger();
        r.expectKey("rows");
        t.rowsAt = r.position();
        r.beginArray();
        qint64 rows = 0;
        while (r.nextElement()) {
            r.beginArray();
            int values = 0;
            while (r.nextElement()) {
                if (values++ == t.fields.size())
                    r.fail(QStringLiteral("']' after the %1 values of a record of %2")
                               .arg(t.fields.size())
                               .arg(name));
                r.skipScalar();
            }
            if (values != t.fields.size())
                r.failAt(
                    r.position() - 1,
                    QStringLiteral("%1 values in a record of %2").arg(t.fields.size()).arg(name));
            ++rows;
        }
        if (rows != t.count)
            r.failAt(countAt, QStringLiteral("the number of records that follow (%1)").arg(rows));
        QString key;
        if (r.nextKey(key))
            r.fail(QStringLiteral("'}' after the records of %1").arg(name));
        m_tables.insert(name, t);
    }
    if (r.nextElement())
        r.fail(QStringLiteral("']' after the table Problems"));
    QString key;
    if (r.nextKey(key))
        r.fail(QStringLiteral("'}' after the tables"));
    r.expectEnd();
}

const DumpSource::Table& DumpSource::table(const QString& name) const
{
    const auto it = m_tables.constFind(name);
    if (it == m_tables.constEnd())
        throw DbError(QStringLiteral("The file %1 holds no table %2.").arg(m_path, name));
    return *it;
}

QString DumpSource::shownName() const
{
    return m_path;
}

QStringList DumpSource::fields(const QString& table)
{
    return this->table(table).fields;
}

qint64 DumpSource::count(const QString& table)
{
    return this->table(table).count;
}

void DumpSource::rows(const QString& name, const RowSink& row)
{
    const Table& t = table(name);
    // Checked when the file was opened: what follows cannot fail.
    JsonReader r(m_data + t.rowsAt, m_size - t.rowsAt);
    std::vector<QVariant> values(size_t(t.fields.size()));
    r.beginArray();
    while (r.nextElement()) {
        r.beginArray();
        size_t i = 0;
        while (r.nextElement())
            values[i++] = r.readScalar();
        row(values.data());
    }
}

QString RestoreDatabase(const QString& file, const QString& to, WorkProgress& progress)
{
    DumpSource source(file);
    return CopyInto(source, to, progress);
}
