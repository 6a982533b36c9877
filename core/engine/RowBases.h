#pragma once

#include <QHash>
#include <QString>

#include <vector>

// What each row an engine gave out was read as: a server's row version, or a fingerprint of a
// file row's values. A save or delete of the row must find it still so, or someone else
// changed it since. Tables are named as the engine spells them; 0 stands for "never read".
class RowBases {
public:
    // The row was read as basis. A row held for unsaved typing keeps the basis that the typing
    // rests on: reading it again (after a rolled-back command, say) must not make a later save
    // of that typing pass over a change made in between.
    void read(const QString& table, qint64 key, qint64 basis);
    // This engine wrote the row, which now stands as basis, held or not.
    void wrote(const QString& table, qint64 key, qint64 basis);
    // Someone else's change the user has been told of: a second save means to replace it. Not
    // undone by a rollback, since the command that learnt it changed nothing.
    void learn(const QString& table, qint64 key, qint64 basis);
    qint64 of(const QString& table, qint64 key) const;

    // Holds are counted: several record sources may keep typing on one row.
    void hold(const QString& table, qint64 key);
    void release(const QString& table, qint64 key);

    // The outermost transaction: what it replaced is put back when it is rolled back.
    void begin();
    void commit();
    void rollback();

private:
    struct Table {
        QHash<qint64, qint64> bases;
        QHash<qint64, int> holds;
    };
    void set(Table& t, const QString& table, qint64 key, qint64 basis);

    bool m_inTransaction = false;
    QHash<QString, Table> m_tables;
    struct Replaced {
        QString table;
        qint64 key;
        qint64 basis; // 0: none was known
    };
    std::vector<Replaced> m_replaced;
};
