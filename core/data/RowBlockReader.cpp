#include "core/data/RowBlockReader.h"

#include "core/engine/Engine.h"

#include <algorithm>

void RowBlockReader::setTable(RowStore* store, const QString& table)
{
    forget();
    m_store = store;
    m_table = table;
    m_columns.clear();
    m_haveColumns = false;
}

void RowBlockReader::forget()
{
    m_start = -1;
    m_rows = 0;
    m_values.clear();
    m_present.clear();
}

const std::vector<QString>& RowBlockReader::columns()
{
    if (!m_haveColumns) {
        m_columns = m_store->columns(m_table);
        m_haveColumns = true;
    }
    return m_columns;
}

int ColumnIndex(const std::vector<QString>& columns, const QString& name)
{
    // Lists read a few fields of every row of thousands: the exact spelling is found first,
    // without folding either name.
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == name)
            return int(i);
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void RowBlockReader::read(const std::vector<qint64>& keys, int pos, int rows)
{
    const int count = int(keys.size());
    const int start = (m_start >= 0 && pos < m_start) ? std::max(0, pos - rows + 1) : pos;
    const int end = std::min(count, start + rows);
    const size_t width = columns().size();
    std::vector<QVariant> values(size_t(end - start) * width);
    std::vector<char> present(size_t(end - start), 0);
    m_store->readRows(m_table, keys.data() + start, end - start, values.data(), present.data());
    m_values.swap(values);
    m_present.swap(present);
    m_start = start;
    m_rows = end - start;
}
