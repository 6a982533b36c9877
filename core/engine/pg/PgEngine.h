#pragma once

#include "core/engine/Engine.h"
#include "core/engine/RowBases.h"
#include "core/engine/pg/PgLink.h"
#include "core/engine/pg/PgSql.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct FindPlan;
struct PgTable;

// A Vantor database on a PostgreSQL server, reached through libpq. Several people may use it at
// once: the engine remembers the row version of every row it gave out and refuses to save over,
// or delete, a row that someone else changed or deleted since then.
class PgEngine final : public Engine {
public:
    // Connects to the database of a connection URI and checks it; an empty database gets
    // Vantor's tables when mode allows. Throws DbError naming the server and database.
    static std::unique_ptr<PgEngine> open(const QString& uri, OpenMode mode);

    // A command begins by making sure the server is still there, reaching it again if it came
    // back; a failed statement makes the server refuse the rest, so commit reports it.
    void begin() override;
    void commit() override;
    void rollback() override;
    // REPEATABLE READ, READ ONLY: one snapshot for every statement of the transaction.
    void beginSnapshot() override;

    // Sets, in key order, by WHERE texts translated into parameters: whole results, binary,
    // each statement prepared once per connection.
    std::vector<qint64> keys(const QString& table, const QString& where) override;
    KeyPart keysAfter(const QString& table, const QString& where, qint64 after, int limit) override;
    std::vector<qint64> scanFields(const QString& table, const QString& where,
                                   const QStringList& fields, const FieldsSink& row) override;
    std::vector<qint64> keysWhereEqual(const QString& table, const QString& field,
                                       const QVariant& value) override;

    // Rows by key, a block of keys in one statement. The rows of the block cache carry their
    // row versions, which the engine keeps.
    const std::vector<QString>& columns(const QString& table) override;
    void readRows(const QString& table, const qint64* keys, int count, QVariant* values,
                  char* present) override;
    void readFields(const QString& table, const QStringList& fields, const qint64* keys, int count,
                    const KeyedFieldsSink& row) override;

    // An update or delete names the version of the row that was read, and one that finds
    // another is refused as RowConflict.
    void remove(const QString& table, qint64 key) override;
    void holdRead(const QString& table, qint64 key, bool hold) override;
    // A lock on the table that lets readers on and keeps every other writer out.
    void lockForAdding(const QString& table) override;
    void update(const QString& table, qint64 key, const QStringList& fields,
                const QVariantList& values) override;
    qint64 insert(const QString& table, const QStringList& fields,
                  const QVariantList& values) override;
    // Several hundred rows to a statement (PgBulk.cpp).
    std::vector<qint64> insertRows(const QString& table, const QStringList& fields,
                                   const std::vector<QVariantList>& rows) override;

    // pg_trgm's GIN index over the folded texts (PgSearchIndex.cpp).
    QString prepareSearch(WorkProgress& progress) override;
    Rows query(const QString& sql, const QVariantList& values) override;
    void keysWritten(const QString& table) override;
    void settle() override;
    QSqlQuery run(const QString& sql, const QVariantList& values) override;
    QSqlDatabase db() const override;

private:
    explicit PgEngine(const QString& uri) : m_link(uri) {}
    // A name as the server keeps it, quoted so that none is read as a key word.
    static QByteArray quoted(const QByteArray& name) { return '"' + name + '"'; }
    const PgTable& table(const QString& name) const;
    QByteArray column(const PgTable& t, const QString& field) const;
    QByteArray columnList(const PgTable& t, const QStringList& fields) const;
    PgResult exec(const PgStatement& statement);
    // A part of a set: the keys above after, at most limit rows (all when negative).
    struct KeyRange {
        qint64 after;
        int limit;
    };
    // "SELECT key, list FROM table [WHERE ...] ORDER BY key", narrowed by the search index
    // when plan is given, and to a part of the set when range is.
    PgStatement setSelect(const PgTable& t, const QByteArray& list, const QString& where,
                          const FindPlan* plan = nullptr, const KeyRange* range = nullptr) const;
    // The statement of a read of where, through the search index when it can serve.
    PgStatement searchSelect(const PgTable& t, const QByteArray& list, const QString& where,
                             const KeyRange* range = nullptr);
    // A part of a search read by walking the rows in key order: the keys among the next limit
    // rows that meet where; nothing when where is no search the index could narrow.
    std::optional<KeyPart> walkPart(const PgTable& t, const QString& where, qint64 after,
                                    int limit);
    // The rows r of a read s made by setSelect that meet the LIKEs left to the program: their
    // keys, their versions kept when read (the column after the key), the fields that
    // follow given to row.
    std::vector<qint64> scanSelect(const PgTable& t, const PgStatement& s, const PgResult& r,
                                   bool versioned, int fields, const FieldsSink& row);
    // The search index: 0 none, 1 being filled, 2 in use.
    int searchIndexState();
    // Whether the index holds every row as it is now, after folding the rows written since.
    bool searchIndexCurrent();
    // Folds up to limit of the listed rows into the index; how many it took.
    int foldPending(int limit);
    // Adds the condition that only the rows the index gives for plan's runs are read.
    void narrowSearch(PgStatement& s, const FindPlan& plan) const;
    // The rows of keys[0, count) as select (its $1 is the keys) gives them, each given to
    // take(index in keys, result, row).
    template <typename Take>
    void readKeyed(const QByteArray& select, const qint64* keys, int count, Take&& take);
    // An update or delete of key that changed nothing: whom to blame.
    RowConflict conflict(const PgTable& t, qint64 key, bool deleting);
    // Whether a row that deleting keys of t would take with it changed since it was read; the
    // rows are locked until the command ends, and what changed is learnt for a second delete.
    bool cascadeChanged(const PgTable& t, const std::vector<qint64>& keys);

    PgLink m_link;
    bool m_inTransaction = false;
    bool m_begun = false;    // BEGIN sent for the command's transaction
    bool m_snapshot = false; // the transaction reads one snapshot and writes nothing
    // The first failure of the open transaction: the server refuses everything after it.
    QString m_failedBy;
    // The row version of every row given out.
    RowBases m_bases;
};
