#include "core/jet/JetFileReader.h"

#include "core/engine/DbError.h"
#include "core/jet/JetFile.h"
#include "core/text/Utf8Text.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

// libmdb's header wraps its include of glib's in extern "C", which glib's C++ parts refuse:
// glib must come first.
#include <glib.h>

#include <mdbtools.h>

namespace {
// A row's start on its page, without the flags kept in the same word.
constexpr int kRowStartMask = 0x1fff;
// The head of a long text (memo) in its row: its length and flags, then where it continues.
constexpr int kMemoHead = 12;
constexpr quint32 kMemoInline = 0x80000000;
constexpr quint32 kMemoOnePage = 0x40000000;
constexpr quint32 kMemoLength = 0x3fffffff;
// libmdb converts a text into a buffer of its bind size; a character of the file takes at most
// three bytes of UTF-8, so a buffer of three times its stored bytes holds any text whole.
constexpr size_t kUtf8PerStoredByte = 3;
constexpr size_t kDefaultBindSize = 16384;

quint32 le32(const void* p)
{
    return qFromLittleEndian<quint32>(p);
}

struct TableDef {
    explicit TableDef(MdbTableDef* t) : def(t) {}
    ~TableDef()
    {
        if (def)
            mdb_free_tabledef(def);
    }
    TableDef(const TableDef&) = delete;
    TableDef& operator=(const TableDef&) = delete;
    MdbTableDef* def;
};

QString typeName(int type)
{
    switch (type) {
    case MDB_BOOL:
        return QStringLiteral("Yes/No");
    case MDB_BYTE:
        return QStringLiteral("Byte");
    case MDB_INT:
        return QStringLiteral("Integer");
    case MDB_LONGINT:
        return QStringLiteral("Long Integer");
    case MDB_MONEY:
        return QStringLiteral("Currency");
    case MDB_FLOAT:
        return QStringLiteral("Single");
    case MDB_DOUBLE:
        return QStringLiteral("Double");
    case MDB_DATETIME:
        return QStringLiteral("Date/Time");
    case MDB_BINARY:
        return QStringLiteral("Binary");
    case MDB_TEXT:
        return QStringLiteral("Text");
    case MDB_OLE:
        return QStringLiteral("OLE Object");
    case MDB_MEMO:
        return QStringLiteral("Memo");
    case MDB_REPID:
        return QStringLiteral("Replication ID");
    case MDB_NUMERIC:
        return QStringLiteral("Decimal");
    default:
        return QStringLiteral("Attachment or another complex kind");
    }
}

JetKind kindOf(int type)
{
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return JetKind::Integer;
    case MDB_TEXT:
        return JetKind::Text;
    case MDB_MEMO:
        return JetKind::Memo;
    case MDB_DATETIME:
        return JetKind::DateTime;
    default:
        return JetKind::Other;
    }
}

MdbColumn* columnAt(MdbTableDef* t, int i)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
}
} // namespace

struct JetFileReader::File {
    QString path;
    MdbHandle* mdb = nullptr;
    qint64 pages = 0;
    // The file's list of its objects, a table itself on the third page, and the tables it names.
    // They are read here rather than by libmdb, whose reading of the list also parses every
    // object's properties and loops without end on some damaged ones.
    MdbCatalogEntry objects{};
    std::vector<MdbCatalogEntry> tables;

    ~File()
    {
        if (mdb)
            mdb_close(mdb);
    }

    [[noreturn]] void damaged(const QString& what) const
    {
        throw DbError(QStringLiteral("The Access file is damaged or cut short: %1. Vantor reads "
                                     "such a file whole or not at all.")
                          .arg(what));
    }

    MdbCatalogEntry* entry(const QString& table)
    {
        for (MdbCatalogEntry& e : tables) {
            if (QString::fromUtf8(e.object_name) == table)
                return &e;
        }
        throw DbError(QStringLiteral("The Access file has no table %1.").arg(table));
    }

    // The table's definition with its columns read.
    MdbTableDef* open(MdbCatalogEntry* e, const QString& table) const
    {
        MdbTableDef* t = mdb_read_table(e);
        if (!t)
            damaged(QStringLiteral("the table %1 cannot be read").arg(table));
        if (!mdb_read_columns(t) || t->num_cols != t->columns->len) {
            mdb_free_tabledef(t);
            damaged(QStringLiteral("the columns of the table %1 cannot be read").arg(table));
        }
        return t;
    }
    MdbTableDef* open(const QString& table) { return open(entry(table), table); }

    // Walks every row of the table (its definition, which goes with it), the fields of each
    // cracked; fails unless as many rows came as the table counts: libmdb skips a row it cannot
    // read, and stops at a page it cannot.
    void scan(MdbTableDef* def, const QString& table,
              const std::function<void(MdbTableDef*, const MdbField*, int)>& row) const
    {
        TableDef t(def);
        std::vector<MdbField> fields(std::max(1u, t.def->num_cols));
        mdb_rewind_table(t.def);
        unsigned int read = 0;
        while (mdb_fetch_row(t.def)) {
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, int(t.def->cur_row) - 1, &start, &size) != 0)
                damaged(QStringLiteral("a row of the table %1 cannot be found").arg(table));
            const int n = mdb_crack_row(t.def, start & kRowStartMask, size, fields.data());
            if (n < 0 || n > int(t.def->num_cols))
                damaged(QStringLiteral("a row of the table %1 cannot be read").arg(table));
            ++read;
            if (row)
                row(t.def, fields.data(), n);
        }
        if (read != t.def->num_rows)
            damaged(QStringLiteral("the table %1 counts %2 rows, but %3 could be read")
                        .arg(table)
                        .arg(t.def->num_rows)
                        .arg(read));
    }

    void readTables()
    {
        const QString name = QStringLiteral("MSysObjects");
        objects.mdb = mdb;
        objects.object_type = MDB_TABLE;
        objects.table_pg = 2;
        qstrncpy(objects.object_name, "MSysObjects", sizeof objects.object_name);
        std::vector<MdbCatalogEntry> found;
        scan(open(&objects, name), name, [&](MdbTableDef* t, const MdbField* fields, int count) {
            QVariantMap row;
            for (int i = 0; i < count; ++i) {
                const MdbColumn* col = columnAt(t, fields[i].colnum);
                const QString column = QString::fromUtf8(col->name);
                if (column == "Id" || column == "Name" || column == "Type" || column == "Flags")
                    row[column] = value(col, fields[i], name);
            }
            if ((row.value("Type").toLongLong() & 0x7f) != MDB_TABLE || row.value("Id").isNull())
                return;
            MdbCatalogEntry e{};
            e.mdb = mdb;
            e.object_type = MDB_TABLE;
            e.table_pg = row.value("Id").toULongLong() & 0x00ffffff;
            e.flags = row.value("Flags").toInt();
            qstrncpy(e.object_name, row.value("Name").toString().toUtf8().constData(),
                     sizeof e.object_name);
            found.push_back(e);
        });
        tables = std::move(found);
    }

    QString text(int type, int start, int size, size_t storedBytes) const
    {
        mdb_set_bind_size(mdb, std::max(kDefaultBindSize, storedBytes * kUtf8PerStoredByte + 16));
        char* converted = mdb_col_to_string(mdb, mdb->pg_buf, start, type, size);
        if (!converted)
            damaged(QStringLiteral("a text cannot be read"));
        // An empty text is a text, not Null.
        QString s = Utf8Text(converted, qsizetype(std::strlen(converted)));
        g_free(converted);
        return s.isNull() ? QStringLiteral("") : s;
    }

    // Checks that every byte a long text counts is in the file before libmdb reads it: libmdb
    // gives an empty or shortened text where a page is missing.
    size_t memoBytes(const uchar* head, int size, const QString& table) const
    {
        const auto fail = [&] {
            damaged(QStringLiteral("a long text of the table %1 is incomplete").arg(table));
        };
        if (size < kMemoHead)
            fail();
        const quint32 word = le32(head);
        const quint32 length = word & kMemoLength;
        if (word & kMemoInline) {
            if (quint32(size - kMemoHead) != length)
                fail();
            return length;
        }
        qint32 pageRow = qint32(le32(head + 4));
        void* buf = nullptr;
        int at = 0;
        size_t got = 0;
        if (word & kMemoOnePage) {
            if (mdb_find_pg_row(mdb, pageRow, &buf, &at, &got) != 0 || got != length)
                fail();
            return length;
        }
        if (word & 0xff000000u)
            fail();
        quint64 total = 0;
        for (qint64 pieces = 0; pageRow; ++pieces) {
            if (pieces > pages || mdb_find_pg_row(mdb, pageRow, &buf, &at, &got) != 0 || got < 4)
                fail();
            total += got - 4;
            pageRow = qint32(le32(static_cast<uchar*>(buf) + at));
        }
        if (total != length)
            fail();
        return length;
    }

    QVariant value(const MdbColumn* col, const MdbField& f, const QString& table) const
    {
        if (f.is_null)
            return {};
        const int pageSize = int(mdb->fmt->pg_size);
        if (f.start < 0 || f.siz < 0 || f.start + f.siz > pageSize)
            damaged(QStringLiteral("a row of the table %1 runs past its page").arg(table));
        const uchar* at = mdb->pg_buf + f.start;
        const auto fixed = [&](int bytes) {
            if (f.siz != bytes)
                damaged(QStringLiteral("a value of the table %1 has the wrong size").arg(table));
        };
        switch (col->col_type) {
        case MDB_BYTE:
            fixed(1);
            return qint64(at[0]);
        case MDB_INT:
            fixed(2);
            return qint64(qFromLittleEndian<qint16>(at));
        case MDB_LONGINT:
            fixed(4);
            return qint64(qFromLittleEndian<qint32>(at));
        case MDB_DATETIME: {
            // The stored double itself: libmdb's date text is wrong before 1900 and after 2700.
            fixed(8);
            const quint64 bits = qFromLittleEndian<quint64>(at);
            double days;
            std::memcpy(&days, &bits, sizeof days);
            return days;
        }
        case MDB_TEXT:
            return text(MDB_TEXT, f.start, f.siz, size_t(f.siz));
        case MDB_MEMO:
            if (f.siz == 0)
                return QStringLiteral("");
            return text(MDB_MEMO, f.start, f.siz, memoBytes(at, f.siz, table));
        default:
            return {};
        }
    }
};

JetFileReader::JetFileReader(const QString& path) : m_file(std::make_unique<File>())
{
    File& file = *m_file;
    file.path = path;
    const QFileInfo info(path);
    if (!info.isFile())
        throw DbError(QStringLiteral("There is no file %1.").arg(path));
    if (info.size() == 0)
        throw DbError(QStringLiteral("The file is empty; it is not an Access database."));
    const JetHeader header = JetHeaderOf(path);
    if (header.format == JetFormat::None)
        throw DbError(QStringLiteral("The file is not an Access database."));
    if (header.format == JetFormat::Unknown)
        throw DbError(QStringLiteral("The file is an Access database of a version Vantor cannot "
                                     "read."));
    if (header.password)
        throw DbError(QStringLiteral("The Access file is protected by a password, and Vantor does "
                                     "not read past one: remove the password in Access, then copy "
                                     "again."));
    if (info.size() % header.pageSize != 0 || info.size() < 3 * header.pageSize)
        file.damaged(QStringLiteral("its size is not a whole number of its pages"));
    file.pages = info.size() / header.pageSize;
    // libmdb gives texts in the character set MDB_ICONV names (UTF-8 when unset), read here as
    // UTF-8.
    if (qEnvironmentVariableIsSet("MDB_ICONV"))
        qputenv("MDB_ICONV", "UTF-8");
    file.mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!file.mdb)
        throw DbError(QStringLiteral("The Access file cannot be opened for reading."));
    if (file.mdb->fmt->pg_size != header.pageSize)
        file.damaged(QStringLiteral("its pages are not of its kind's size"));
    file.readTables();
}

JetFileReader::~JetFileReader() = default;

QString JetFileReader::shownName() const
{
    return m_file->path;
}

QStringList JetFileReader::tables()
{
    QStringList names;
    for (MdbCatalogEntry& e : m_file->tables) {
        if (mdb_is_user_table(&e))
            names << QString::fromUtf8(e.object_name);
    }
    return names;
}

QList<JetColumn> JetFileReader::columns(const QString& table)
{
    TableDef t(m_file->open(table));
    QList<JetColumn> columns;
    for (guint i = 0; i < t.def->num_cols; ++i) {
        const MdbColumn* col = columnAt(t.def, int(i));
        columns << JetColumn{QString::fromUtf8(col->name), kindOf(col->col_type),
                             typeName(col->col_type)};
    }
    return columns;
}

void JetFileReader::rows(const QString& table, const RowSink& row)
{
    QVariantList values;
    m_file->scan(
        m_file->open(table), table, [&](MdbTableDef* t, const MdbField* fields, int count) {
            values.fill(QVariant(), qsizetype(t->num_cols));
            for (int i = 0; i < count; ++i) {
                const int c = fields[i].colnum;
                if (c < 0 || c >= int(t->num_cols))
                    m_file->damaged(
                        QStringLiteral("a row of the table %1 names a column it does not have")
                            .arg(table));
                values[c] = m_file->value(columnAt(t, c), fields[i], table);
            }
            row(values.constData());
        });
}
