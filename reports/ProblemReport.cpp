#include "reports/ProblemReport.h"

void ProblemReport::Body(PrintSurface& s)
{
    SectionLabel(s, QStringLiteral("Problem"), kFirstSectionTop);
    SectionBody(s, kProblemTextTop);
    PrintBox(s, context.problem);
    SectionLabel(s, QStringLiteral("Solution"), kSolutionLabelTop);
    SectionBody(s, kSolutionTextTop);
    PrintBox(s, context.solution);
}
