#include "core/exchange/ProblemExport.h"

#include "core/exchange/ProblemCsv.h"
#include "core/exchange/ProblemPage.h"
#include "core/exchange/ProblemReader.h"

QString ExportProblems(const QString& database, ExportFormat format, qint64 softwareId,
                       const QString& target, WorkProgress& progress)
{
    ProblemReader reader(database, softwareId);
    const qint64 n = format == ExportFormat::Csv ? WriteProblemCsv(reader, target, progress)
                                                 : WriteProblemPages(reader, target, progress);
    const QString what =
        n == 1 ? QStringLiteral("1 problem") : QStringLiteral("%1 problems").arg(n);
    const QString of = softwareId ? QStringLiteral("\"%1\"").arg(reader.titles().front().title)
                                  : QStringLiteral("%1 titles").arg(reader.titles().size());
    return QStringLiteral("Exported %1 of %2 to %3.").arg(what, of, target);
}
