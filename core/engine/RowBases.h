#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>

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

    // A read of every child of one parent (a version's changes, a title's versions), when the
    // read's condition says so (ListedParent): a child the parent has later that was not among
    // them was added since, by someone else, and a delete of the parent would take it unseen.
    void listed(const QString& table, const QString& where, const std::vector<qint64>& keys);
    // A row added here, or someone else's that the user has been told of.
    void added(const QString& table, qint64 parent, qint64 key);
    void added(const QString& table, const QStringList& fields, const QVariantList& values,
               qint64 key);
    bool addedSince(const QString& table, qint64 parent, qint64 key) const;
    // For a row a delete of its parent would take with it: it changed since it was read, or
    // was added since its parent's children were listed. Either is then taken as told, so
    // that a second delete means it.
    bool changedSince(const QString& table, qint64 parent, qint64 key, qint64 basis);

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
    // Per child table, per listed parent, the keys of the children it had, in order (a title's
    // problems run to a hundred thousand: a sorted copy costs far less than a hash set).
    QHash<QString, QHash<qint64, std::vector<qint64>>> m_children;
    struct Replaced {
        QString table;
        qint64 key;
        qint64 basis; // 0: none was known
    };
    std::vector<Replaced> m_replaced;
};
