#pragma once

#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/engine/RowBases.h"
#include "core/engine/sqlite/SqliteStatement.h"
#include "core/sql/FindIndex.h"

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_value;

// The fingerprint of a row's values, one per column: what a save checks that the row still is.
// Never 0.
qint64 RowBasis(sqlite3_value* const* values, int count);

// One open Vantor database file. Rows are read through SQLite's own interface, because sets
// run to a hundred thousand rows, and written through it, so that every text is bound as UTF-8;
// the schema and one-off statements go through Qt SQL. Several programs may use one file at
// once: a save or delete of a row that another changed or deleted since this engine gave it out
// is refused (SqliteBasis.cpp).
class SqliteEngine final : public Engine {
public:
    // Opens the file, creating it with the schema when no file exists at the path and mode
    // allows. Throws DbError with a sentence that says why the file cannot serve.
    static std::unique_ptr<SqliteEngine> open(const QString& path,
                                              OpenMode mode = OpenMode::CreateIfNew);
    ~SqliteEngine() override;

    const std::vector<QString>& columns(const QString& table) override;
    void readRows(const QString& table, const qint64* keys, int count, QVariant* values,
                  char* present) override;
    std::vector<qint64> keys(const QString& table, const QString& where) override;
    KeyPart keysAfter(const QString& table, const QString& where, qint64 after, int limit) override;
    std::vector<qint64> scanFields(const QString& table, const QString& where,
                                   const QStringList& fields, const FieldsSink& row) override;
    void readFields(const QString& table, const QStringList& fields, const qint64* keys, int count,
                    const KeyedFieldsSink& row) override;
    std::vector<qint64> keysWhereEqual(const QString& table, const QString& field,
                                       const QVariant& value) override;

    qint64 insert(const QString& table, const QStringList& fields,
                  const QVariantList& values) override;
    void update(const QString& table, qint64 key, const QStringList& fields,
                const QVariantList& values) override;
    std::vector<qint64> insertRows(const QString& table, const QStringList& fields,
                                   const std::vector<QVariantList>& rows) override;
    void remove(const QString& table, qint64 key) override;
    void holdRead(const QString& table, qint64 key, bool hold) override;
    // The write lock, taken where the command began.
    void lockForAdding(const QString& table) override;

    void begin() override;
    void commit() override;
    void rollback() override;
    void beginSnapshot() override;

    Rows query(const QString& sql, const QVariantList& values) override;
    // SQLite's keys already follow the largest ever written.
    void keysWritten(const QString&) override {}
    // SQLite plans from its indexes alone.
    void settle() override {}
    QString prepareSearch(WorkProgress& progress) override;
    QSqlQuery run(const QString& sql, const QVariantList& values) override;
    QSqlDatabase db() const override;

private:
    SqliteEngine(const QString& path, const QString& name);
    void connect();
    void prepareFile(bool exists);
    // Refuses a file that is not a Vantor database, or is damaged.
    void checkFile();
    void createSchema();
    // Runs a statement that changes the file: refused when the file may no longer be written
    // or another program kept the write lock of this command.
    struct Written {
        qint64 changes; // rows the statement changed
        qint64 lastKey; // the key of the last row inserted
    };
    Written write(const QString& sql, const QVariantList& values);
    void bindAll(const Statement& statement, const QVariantList& values) const;
    void checkWritable() const;
    // "vantor_row_basis([a],[b],...)" over the table's columns: its rows' fingerprint in SQL.
    QString basisSql(const QString& table);
    // The fingerprint of the row of key as it is now; 0 when it is gone.
    qint64 basisNow(const QString& table, qint64 key);
    // An update or delete of key that changed nothing: whom to blame.
    RowConflict conflict(const QString& table, qint64 key, bool deleting);
    // Whether a row that deleting keys of table would take with it changed since it was read;
    // what changed is learnt for a second delete.
    bool cascadeChanged(const QString& table, const std::vector<qint64>& keys);

    // The search index (SqliteSearchIndex.cpp). How a read of table with where uses it, or
    // nothing when it cannot serve.
    std::optional<FindPlan> searchPlan(const QString& table, const QString& where);
    // The WHERE text narrowed to the rows the index gives.
    QString narrowedWhere(const FindPlan& plan) const;
    // The keys above after of a search the index decides alone.
    std::vector<qint64> indexedKeys(const FindPlan& plan, qint64 after);
    // The first limit keys above after that meet where, found in the index's matches.
    QString indexedPartSelect(const FindPlan& plan, const QString& where, qint64 after,
                              int limit) const;
    // 0: none, 1: made by a fold of another version, 2: in use.
    int searchIndexState();
    // Makes the index (again, when replace), every row listed to be folded.
    bool createSearchIndex(bool replace);
    // Whether the index holds every row as it is now, after folding the rows written since.
    bool searchIndexCurrent();
    // Folds up to limit of the listed rows into the index; how many it took.
    int foldPending(int limit);

    // The statements that read whole rows of one table by key, prepared once per table.
    struct TableReader {
        TableReader(sqlite3* db, const QString& table);
        Statement one;   // a single key
        Statement range; // the keys between two bounds
        std::vector<QString> columns;
    };
    TableReader& reader(const QString& table);

    QString m_path;
    QString m_name;
    sqlite3* m_handle = nullptr;
    // Why the open command could not take the write lock; empty when it holds it.
    QString m_lockRefused;
    std::unordered_map<QString, std::unique_ptr<TableReader>> m_readers;
    // The fingerprint of every row given out (SqliteBasis.cpp).
    RowBases m_bases;
    bool m_basisReady = false;
};
