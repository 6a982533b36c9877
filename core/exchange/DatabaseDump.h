#pragma once

#include "core/data/CopySource.h"

#include <QFile>
#include <QHash>

class WorkProgress;

// The whole database as one JSON file, and back. The file names its layout ("schema", the
// version of the tables it was written from) and holds, for each table parents first, its
// fields, its number of records and the records themselves, one line each: keys and numbers as
// numbers, texts as texts, dates as "yyyy-mm-dd", NULL as null, apart from an empty text.

// Writes every record of source to file. Nothing is left at the path when it fails or is
// stopped, and a file that was there is replaced only once the new one is complete. Returns
// a summary; throws DbError with the reason.
QString DumpDatabase(CopySource& source, const QString& file, WorkProgress& progress);

// The records of a dump file, as a copy reads them. The whole file is checked when it is
// opened (its layout, every record, the counts), so that a damaged or foreign file is refused,
// naming the line and what was expected there, before a target is touched.
class DumpSource final : public CopySource {
public:
    explicit DumpSource(const QString& file);
    ~DumpSource() override;

    QString shownName() const override;
    QStringList fields(const QString& table) override;
    qint64 count(const QString& table) override;
    void rows(const QString& table, const RowSink& row) override;

private:
    struct Table {
        QStringList fields;
        qint64 count = 0;
        qsizetype rowsAt = 0; // where its array of records begins
    };
    void check();
    const Table& table(const QString& name) const;

    QString m_path;
    QFile m_file;
    QByteArray m_read; // the file's bytes when it cannot be mapped
    const char* m_data = nullptr;
    qsizetype m_size = 0;
    QHash<QString, Table> m_tables;
};

// Restores the dump file into the empty database at to, as --copy copies: a target that holds
// records is refused untouched, the counts are compared before the commit, and a file made for
// the restore goes again when it fails or is stopped.
QString RestoreDatabase(const QString& file, const QString& to, WorkProgress& progress);
