#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <vector>

class WorkProgress;

// The seam between the record sources and a database engine: all they ask of one. Tables,
// field names and WHERE texts come as the program writes them ("[Problems]", "[SoftwareID] =
// 12 AND [Problem] LIKE 'x%'", LIKE with "%" and "_" and no escape character, texts between
// single quotes); an engine with another dialect translates them itself. A row is named by a
// key the engine assigns and never reuses, and sets are read in the order of their keys.
// Every failure throws DbError, in words a user can act on followed by the engine's own.

// The version of the tables' layout that this program makes and reads; a database made by a
// newer one is refused untouched.
constexpr int kSchemaVersion = 1;

// Whether opening may give an empty database (or a missing file) Vantor's tables.
enum class OpenMode { CreateIfNew, ExistingOnly };

// Whole rows by key: all that the block cache of a record source needs.
class RowStore {
public:
    virtual ~RowStore() = default;

    // The table's columns as the table spells them, in the order rows are given.
    virtual const std::vector<QString>& columns(const QString& table) = 0;

    // The rows of keys[0, count), which ascend: the values of row i, one per column, go to
    // values[i * columns], and present[i] is set for each row still in the table. The
    // caller clears both first.
    virtual void readRows(const QString& table, const qint64* keys, int count, QVariant* values,
                          char* present) = 0;
};

class Engine : public RowStore {
public:
    // The named fields of one row, values[f] for fields[f].
    using FieldsSink = std::function<void(const QVariant* values)>;
    // The same with the row's index in the keys it was asked for.
    using KeyedFieldsSink = std::function<void(int index, const QVariant* values)>;

    // The keys of the rows of table that meet where (every row when where is empty).
    virtual std::vector<qint64> keys(const QString& table, const QString& where) = 0;

    // A part of the same set, for a search whose first rows are shown before the rest is
    // read: the keys above after that meet where, ascending, from the first limit rows the
    // engine finds (all of them when limit is negative; an engine that checks some conditions
    // itself may give fewer). The next part starts above next; done when none is left.
    struct KeyPart {
        std::vector<qint64> keys;
        qint64 next = 0;
        bool done = true;
    };
    virtual KeyPart keysAfter(const QString& table, const QString& where, qint64 after,
                              int limit) = 0;

    // The named fields (as the table spells them) of every row that meets where, given to
    // row in one pass; returns the keys of those rows. Lists of thousands of lines are filled
    // this way from a text just set.
    virtual std::vector<qint64> scanFields(const QString& table, const QString& where,
                                           const QStringList& fields, const FieldsSink& row) = 0;

    // The named fields of the rows of keys[0, count), which ascend; a row no longer in the
    // table is left out. Read in blocks, so that a walk of a long set holds no lock for long.
    virtual void readFields(const QString& table, const QStringList& fields, const qint64* keys,
                            int count, const KeyedFieldsSink& row) = 0;

    // The keys of the rows whose field equals value (a number or a text), in any order.
    virtual std::vector<qint64> keysWhereEqual(const QString& table, const QString& field,
                                               const QVariant& value) = 0;

    // Writes, each refused with the reason when the command could not take the right to
    // write. An engine that several people share also refuses an update or delete of a row
    // that someone else changed or deleted since this engine gave it out. Dates are stored as
    // dates, whatever the engine's form for them.
    virtual qint64 insert(const QString& table, const QStringList& fields,
                          const QVariantList& values) = 0;
    virtual void update(const QString& table, qint64 key, const QStringList& fields,
                        const QVariantList& values) = 0;
    // Many new rows of one table, the same fields given for each: one statement prepared for
    // all of them, and on a server many rows sent at once. Their keys, in the order of rows.
    virtual std::vector<qint64> insertRows(const QString& table, const QStringList& fields,
                                           const std::vector<QVariantList>& rows) = 0;
    // A delete is refused as well when a row it takes with it (Cascade.h) changed since this
    // engine gave it out.
    virtual void remove(const QString& table, qint64 key) = 0;

    // The row of key holds unsaved typing: until released, reading it again keeps, for the
    // check of its save, the row as the typing found it. Holds are counted.
    virtual void holdRead(const QString& table, qint64 key, bool hold) = 0;
    // Takes for the rest of the command the right to add rows to table alone, so that a check
    // for a duplicate read after it and the insert are one step no one else's insert can come
    // between. Refused with the reason when the command could not take the right to write.
    virtual void lockForAdding(const QString& table) = 0;

    // The outermost transaction of a command. begin takes the right to write at once where
    // the engine can wait for it there; when it is refused, reading still works and each
    // write of the command is refused with the reason. commit throws when the changes could
    // not be saved, and leaves the transaction for rollback.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // The outermost transaction of a reader that must see the whole database as it was at one
    // moment (a copy's source): every read of it sees what the first one saw, whatever others
    // commit meanwhile. It writes nothing; rollback ends it.
    virtual void beginSnapshot() = 0;

    // One statement in the program's dialect ([Names], texts between single quotes, "?" for
    // each of values, LIKE as the searches mean it, rowid for the key of the one table named):
    // its rows, for tests, copies and the few reads apart from a record source.
    using Rows = QList<QVariantList>;
    virtual Rows query(const QString& sql, const QVariantList& values) = 0;

    // Rows were inserted with the keys they had in another database: keys given out from now
    // on follow the largest.
    virtual void keysWritten(const QString& table) = 0;
    // A large copy into the database was committed: whatever the engine keeps about its tables
    // for planning reads is brought up to date. Outside a transaction.
    virtual void settle() = 0;

    // Gives the database the index of the problems' texts that Find narrows its search with,
    // when it has none, and brings it up to date with the rows written since (by anyone),
    // reporting to progress. Outside a transaction. Returns a sentence for the start-up
    // output when the searches must read every row instead, else an empty text. Throws
    // DbError (WorkCancelled too) only when the work stopped; what was done stays, and the
    // searches stay right either way.
    virtual QString prepareSearch(WorkProgress& progress) = 0;

    // One statement in the engine's own dialect, for tests and one-off reads; a database file
    // only.
    virtual QSqlQuery run(const QString& sql, const QVariantList& values) = 0;
    virtual QSqlDatabase db() const = 0;
};
