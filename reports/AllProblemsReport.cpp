#include "reports/AllProblemsReport.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "reports/PrintSurface.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <optional>

bool AllProblemsReport::Printable()
{
    return MsgRequire(!context.problems->isEmpty(),
                      QStringLiteral("There are no problems and solutions to print."));
}

bool AllProblemsReport::Prepare()
{
    RecordSource* problems = context.problems;
    // Text typed into the boxes is saved by this move; if it cannot be, the user is told and
    // nothing is printed.
    return RunCommand(context.connection, [&] { problems->MoveFirst(); });
}

void AllProblemsReport::Pages(PrintSurface& s)
{
    RecordSource* problems = context.problems;
    // A move can save typing kept from an earlier failed save; it is undone with the report.
    std::optional<Transaction> transaction;
    if (Connection* c = context.connection)
        transaction.emplace(*c);
    // The binding puts each problem into the boxes; an empty field shows as an empty box.
    while (!problems->isEOF()) {
        HeadingBlock(s);
        VersionBlock(s);
        Body(s);
        s.NewPage();
        problems->MoveNext();
    }
    problems->MoveFirst();
    if (transaction)
        transaction->commit();
}
