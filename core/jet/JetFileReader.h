#pragma once

#include "core/jet/JetTables.h"

#include <memory>

// An Access file (Jet 3, Jet 4 or ACE) read through libmdb, opened for reading only: nothing is
// ever written to it. A file that is empty, protected by a password, cut short or damaged is
// refused with one sentence that says why, at the latest when the table that shows it is read:
// every row the file counts, and every character of a long text, is read or the read fails.
class JetFileReader final : public JetTables {
public:
    explicit JetFileReader(const QString& path);
    ~JetFileReader() override;

    QString shownName() const override;
    QStringList tables() override;
    QList<JetColumn> columns(const QString& table) override;
    void rows(const QString& table, const RowSink& row) override;

private:
    struct File;
    std::unique_ptr<File> m_file;
};
