#pragma once

#include "core/data/CopySource.h"
#include "core/jet/JetTables.h"

#include <memory>
#include <vector>

// The records of an Access file kept by the earlier Vantor, as a source for a copy into a
// Vantor database. Tables and columns are found by their names without regard to letter case;
// a table or column the file lacks, or holds beyond Vantor's, is left out and said so. Keys are
// kept; rows whose title or version is not copied (an empty reference, or one to a row the file
// lacks) are left out and counted; a date keeps its day, and a time of day it held is counted
// as dropped. All of it goes into remarks().
class JetSource final : public CopySource {
public:
    // Reads the file's layout at once: throws DbError when it holds none of Vantor's tables,
    // when a column of Vantor's is of a kind its field cannot take, or when a title or version
    // table has no key column for the rows below it to refer to.
    explicit JetSource(std::unique_ptr<JetTables> file);
    ~JetSource() override;

    QString shownName() const override;
    QStringList fields(const QString& table) override;
    qint64 count(const QString& table) override;
    void rows(const QString& table, const RowSink& row) override;
    QStringList remarks() const override;

private:
    struct Table;
    Table& table(const QString& name);
    void load(Table& t);

    std::unique_ptr<JetTables> m_file;
    std::vector<Table> m_tables;
    QStringList m_remarks;
};

// The Access file at path as a copy's source (JetFileReader beneath JetSource).
std::unique_ptr<CopySource> OpenJetSource(const QString& path);
