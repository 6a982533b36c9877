#pragma once

#include "reports/Report.h"

// The comments of the selected title, below the version block.
class CommentsReport : public Report {
public:
    using Report::Report;

    static constexpr double kTextTop = 4320;

protected:
    QString Name() const override { return QStringLiteral("Comments for"); }
    void Body(PrintSurface& s) override;
};
