#include "reports/ProblemReport.h"

#include "mainwindow/frmVantor.h"
#include "widgets/BoundTextBox.h"

void ProblemReport::Body(PrintSurface& s)
{
    SectionLabel(s, QStringLiteral("Problem"), kFirstSectionTop);
    SectionBody(s, kProblemTextTop);
    PrintBox(s, w.txtProblem);
    SectionLabel(s, QStringLiteral("Solution"), kSolutionLabelTop);
    SectionBody(s, kSolutionTextTop);
    PrintBox(s, w.txtSolution);
}
