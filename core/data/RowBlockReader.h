#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

class RowStore;

// The index of a column by its name as the table spells it, else without regard to case; -1
// when there is no such column.
int ColumnIndex(const std::vector<QString>& columns, const QString& name);

// The rows of a set of keys, read a block at a time and kept until they may have changed:
// moving through a set reads each row once, however often it is shown.
class RowBlockReader {
public:
    // Reads from the table through store; what was read before is forgotten.
    void setTable(RowStore* store, const QString& table);
    // Forgets the rows read: after a write, or for a new set of keys.
    void forget();

    // The values of the row of keys[pos], one per column, or null when that row is no longer
    // in the table. On a miss it reads `rows` rows: from pos on, or, when pos lies just before
    // the rows held, the rows up to pos, so that walking backwards reads a block at a time too.
    const QVariant* row(const std::vector<qint64>& keys, int pos, int rows)
    {
        if (m_start < 0 || pos < m_start || pos >= m_start + m_rows)
            read(keys, pos, rows);
        const size_t i = size_t(pos - m_start);
        return m_present[i] ? &m_values[i * m_columns.size()] : nullptr;
    }

    // The table's columns as it spells them.
    const std::vector<QString>& columns();
    int columnOf(const QString& name) { return ColumnIndex(columns(), name); }

private:
    void read(const std::vector<qint64>& keys, int pos, int rows);

    RowStore* m_store = nullptr;
    QString m_table;
    std::vector<QString> m_columns;
    bool m_haveColumns = false;
    // m_rows rows from the row at m_start, one value per column each.
    int m_start = -1;
    int m_rows = 0;
    std::vector<QVariant> m_values;
    std::vector<char> m_present;
};
