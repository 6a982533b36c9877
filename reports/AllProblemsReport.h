#pragma once

#include "reports/ProblemReport.h"

// Every problem of the problem set, one page each, each shown in the boxes before it is
// printed so that it breaks into lines as the boxes break it. The set is left on its first
// problem.
class AllProblemsReport : public ProblemReport {
public:
    using ProblemReport::ProblemReport;

protected:
    bool Printable() override;
    bool Prepare() override;
    void Pages(PrintSurface& s) override;
};
