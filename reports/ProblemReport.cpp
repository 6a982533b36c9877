#include "reports/ProblemReport.h"

#include "ui/main/BoundTextBox.h"
#include "ui/main/frmVantor.h"

void ProblemReport::Body(PrintSurface& s)
{
    SectionLabel(s, QStringLiteral("Problem"), kFirstSectionTop);
    SectionBody(s, kProblemTextTop);
    PrintBox(s, w.txtProblem);
    SectionLabel(s, QStringLiteral("Solution"), kSolutionLabelTop);
    SectionBody(s, kSolutionTextTop);
    PrintBox(s, w.txtSolution);
}
