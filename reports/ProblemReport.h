#pragma once

#include "reports/Report.h"

// The problem and the solution that the main window's boxes show, on one page.
class ProblemReport : public Report {
public:
    using Report::Report;

    static constexpr double kProblemTextTop = 4320;
    static constexpr double kSolutionLabelTop = 8640;
    static constexpr double kSolutionTextTop = 9360;

protected:
    QString Name() const override { return QStringLiteral("Problem and Solution for"); }
    // The fixed places of the page: the solution does not move down for a long problem.
    void Body(PrintSurface& s) override;
};
