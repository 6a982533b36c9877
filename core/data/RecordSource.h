#pragma once

#include "core/data/RowBlockReader.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class BoundField;
class Connection;
class Engine;

// A record source: one SQL text and the record set it yields. Only the keys of the rows are
// held; the current row is read from the database in small blocks as the set is walked.
// Every operation that fails in the database throws DbError and leaves the set as it was. It
// reaches the database only through its connection's engine, so it works alike on any.
class RecordSource : public QObject {
    Q_OBJECT
public:
    explicit RecordSource(const QString& name, QObject* parent = nullptr);
    ~RecordSource() override;

    // "...;Data Source=" followed by the database path.
    void setConnectionString(const QString& text);
    const QString& connectionString() const { return m_connectionText; }
    Connection* connection() const { return m_connection.get(); }

    // The SQL text: "SELECT * FROM [Table]", optionally followed by " WHERE ...".
    void setRecordSource(const QString& sql);
    const QString& recordSource() const { return m_sql; }

    // Runs the SQL text; the first row is then current (none for an empty set).
    void Refresh();
    void Requery();
    // Saves what is pending and empties the set: no current row until the next refresh.
    void Close();

    bool isBOF() const;
    bool isEOF() const;
    // Reads the rest of a search's set first.
    int RecordCount();
    bool isEmpty() const { return m_keys.empty(); }
    bool hasCurrentRow() const;
    // Index of the current row, -1 before the first, RecordCount() after the last.
    int position() const { return m_pos; }
    qint64 currentKey() const;

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // Calls row for the current row and each one after it, then stands at the end. Bound
    // boxes are brought up to date once, at the end, instead of at every row.
    void WalkToEnd(const std::function<void()>& row);
    // The same walk for code that needs only a few fields of each row: the named fields of
    // the current row and each one after it, read in one pass and given to row in the order
    // of names. Lists of thousands of lines are filled this way without reading the columns
    // they do not show.
    void WalkFields(const QStringList& names, const std::function<void(const QVariant*)>& row);
    // Refresh, MoveFirst and WalkFields in one: the SQL text is run once, reading the keys and
    // the named fields together instead of the keys first and the rows after them. row must
    // not use the set, which has its new rows only when the walk is over.
    void RefreshFields(const QStringList& names, const std::function<void(const QVariant*)>& row);

    // A field of the current row (a null QVariant for an empty field or no current row),
    // including a value set and not yet saved.
    QVariant Field(const QString& name) const;
    void setField(const QString& name, const QVariant& value);

    // Starts a new row; it is current, with no key until Update saves it.
    void AddNew();
    // Saves the current row, new or changed, with what was typed into its bound boxes.
    void Update();
    // Drops the values set on the current row and a row begun by AddNew, unsaved.
    void CancelUpdate();
    // Deletes the current row only; the next row becomes current.
    void Delete();
    // From the current row forward, the first row that meets "Field = value" becomes current;
    // the set stands at its end when none does. Returns whether a row was found.
    bool Find(const QString& criterion);

    // A box showing a field of the current row; typing into it is saved with the row.
    void bind(BoundField* box, const QString& field);
    // Saves typing and set values of the current row, if there are any.
    void SavePending();
    bool hasPendingEdit() const;

signals:
    void currentChanged();

private:
    enum class EditState { None, Editing, Adding };

    void ensureConnection() const;
    void ensureTable() const;
    Engine& engine() const;
    void runKeys();
    void adoptKeys(std::vector<qint64> keys);
    // A search's set is read in parts, so that its first row shows before the rest is read:
    // each part when the set is walked up to it, all of it for Last, a count or a walk.
    void runFirstKeys();
    void readMoreKeys(int limit);
    // Keys known up to pos, or all of them.
    void knowKeysTo(int pos);
    void readAllKeys();
    // The names as the table spells them; DbError for a field it does not have.
    QStringList spelled(const QStringList& names) const;
    void walkFieldsFrom(int from, const QStringList& names,
                        const std::function<void(const QVariant*)>& row);
    void setPosition(int pos);
    // The values of the current row (one per column), or null when there is none.
    const QVariant* currentRow() const;
    // Back to the rows as saved: no set values, no row being added.
    void dropEdit();
    // What every save and delete leaves behind: nothing pending, the rows read again.
    void afterWrite(qint64 key);
    // Keeps what a save in the open transaction wrote into bound fields, to give it back to
    // the boxes if the transaction is rolled back.
    void rememberWritten(qint64 key);
    void showBound();
    void collectBound();
    void onRolledBack();
    void onCommitted();
    // Keeps, for the check of a later save, the row of key as read when its typing began;
    // released once that typing is saved or left behind.
    void holdRead(qint64 key);
    void releaseRead(qint64 key);
    // After a rollback: the row of key is current again, or the nearest when it is gone.
    void standOn(qint64 key);
    // Writes the pending values of the current row; false when it was deleted by someone else
    // and the typing is left behind.
    bool updateCurrent(const QStringList& fields, const QVariantList& values);

    QString m_name;
    QString m_connectionText;
    std::shared_ptr<Connection> m_connection;
    QString m_sql;
    QString m_table;
    QString m_where;

    std::vector<qint64> m_keys;
    int m_pos = 0;
    // Where the next part of a set read in parts starts, and how many parts were read.
    qint64 m_keysNext = 0;
    int m_keyParts = 0;
    bool m_keysDone = true;
    // The rows of m_keys as read from the table; after the connection, so that it goes first.
    mutable RowBlockReader m_rows;

    EditState m_state = EditState::None;
    QHash<QString, QVariant> m_pending;   // field name in lower case -> value
    QHash<QString, QString> m_fieldNames; // lower case -> as given

    // Values written in the open transaction, given back if it is rolled back.
    QHash<qint64, QHash<QString, QVariant>> m_writtenInTransaction;
    // Values whose save was undone; shown again when their row is current.
    QHash<qint64, QHash<QString, QVariant>> m_unsaved;
    // A row whose save was refused because someone else deleted it: the set keeps standing on
    // it, so that the typing stays in the boxes to be copied, until the next save leaves it.
    qint64 m_goneKey = -1;
    // The rows whose reading the engine holds for typing of this source not yet saved.
    QSet<qint64> m_held;

    struct Binding {
        BoundField* box;
        QString field;
    };
    std::vector<Binding> m_bindings;
    bool m_walking = false;
};
