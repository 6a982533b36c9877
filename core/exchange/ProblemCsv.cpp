#include "core/exchange/ProblemCsv.h"

#include "core/data/Connection.h"
#include "core/data/WorkProgress.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/exchange/Csv.h"
#include "core/exchange/ProblemReader.h"

#include <QFile>
#include <QSaveFile>

namespace {
constexpr qint64 kAdvanceRows = 256;
constexpr qsizetype kWriteBytes = 1 << 20;
const QStringList kHeader = {QStringLiteral("Problem"), QStringLiteral("Solution")};
const QStringList kAllHeader = {QStringLiteral("Title"), QStringLiteral("Problem"),
                                QStringLiteral("Solution")};

void writeOut(QSaveFile& out, QByteArray& buffer)
{
    if (out.write(buffer) != buffer.size())
        throw DbError(QStringLiteral("The file %1 could not be written: %2.")
                          .arg(out.fileName(), out.errorString()));
    buffer.clear();
}

bool isHeader(const QStringList& fields, const QStringList& header)
{
    if (fields.size() != header.size())
        return false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields.at(i).trimmed().compare(header.at(i), Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}
} // namespace

qint64 WriteProblemCsv(ProblemReader& reader, const QString& file, WorkProgress& progress)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw DbError(
            QStringLiteral("The file %1 cannot be written: %2.").arg(file, out.errorString()));
    const bool every = reader.everyTitle();
    QByteArray buffer = (every ? kAllHeader : kHeader).join(QLatin1Char(',')).toUtf8();
    EndCsvRecord(buffer);
    progress.begin(QStringLiteral("Problems"), reader.problemCount());
    qint64 done = 0;
    for (const TitleRow& title : reader.titles()) {
        reader.problems(title.id, [&](qint64, const QVariant& problem, const QVariant& solution) {
            if (every) {
                AppendCsvField(buffer, title.title);
                buffer += ',';
            }
            AppendCsvField(buffer, problem);
            buffer += ',';
            AppendCsvField(buffer, solution);
            EndCsvRecord(buffer);
            if (buffer.size() >= kWriteBytes)
                writeOut(out, buffer);
            if (++done % kAdvanceRows == 0)
                progress.advance(done);
        });
    }
    writeOut(out, buffer);
    progress.advance(done);
    if (!out.commit())
        throw DbError(
            QStringLiteral("The file %1 could not be written: %2.").arg(file, out.errorString()));
    return done;
}

std::vector<ProblemText> ReadProblemCsv(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(
            QStringLiteral("The file %1 cannot be read: %2.").arg(file, in.errorString()));
    std::vector<ProblemText> problems;
    try {
        const std::vector<CsvRecord> records = ReadCsv(in.readAll());
        if (records.empty())
            throw DbError(QStringLiteral("line 1: expected the header Problem,Solution, found an "
                                         "empty file"));
        const CsvRecord& head = records.front();
        if (isHeader(head.fields, kAllHeader))
            throw DbError(QStringLiteral("line %1: expected the header Problem,Solution, found "
                                         "Title,Problem,Solution: the file holds the problems of "
                                         "every title, and Vantor adds the problems of one title "
                                         "at a time")
                              .arg(head.line));
        if (!isHeader(head.fields, kHeader))
            throw DbError(QStringLiteral("line %1: expected the header Problem,Solution, found %2")
                              .arg(head.line)
                              .arg(head.fields.join(QLatin1Char(',')).left(80)));
        problems.reserve(records.size() - 1);
        for (size_t i = 1; i < records.size(); ++i) {
            const CsvRecord& r = records[i];
            if (r.fields.size() != 2)
                throw DbError(QStringLiteral("line %1: expected 2 fields (Problem,Solution), "
                                             "found %2")
                                  .arg(r.line)
                                  .arg(r.fields.size()));
            // An empty cell is an empty text, as an empty box of the Add dialog stores it.
            problems.push_back({r.fields.at(0).isNull() ? QStringLiteral("") : r.fields.at(0),
                                r.fields.at(1).isNull() ? QStringLiteral("") : r.fields.at(1)});
        }
    } catch (const DbError& e) {
        throw DbError(QStringLiteral("The file %1 cannot be imported: %2. Nothing was imported.")
                          .arg(file, e.text()));
    }
    return problems;
}

void AddProblems(Connection& connection, qint64 softwareId,
                 const std::vector<ProblemText>& problems, WorkProgress& progress)
{
    Engine& engine = connection.engine();
    const QStringList fields = {QStringLiteral("SoftwareID"), QStringLiteral("Problem"),
                                QStringLiteral("Solution")};
    progress.begin(QStringLiteral("Problems"), qint64(problems.size()));
    qint64 done = 0;
    for (const ProblemText& p : problems) {
        engine.insert(QStringLiteral("Problems"), fields, {softwareId, p.problem, p.solution});
        if (++done % kAdvanceRows == 0)
            progress.advance(done);
    }
    progress.advance(done);
}
