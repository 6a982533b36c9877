#pragma once

#include "reports/Report.h"

// The needed files and the changes of the selected version, as the two lists show them.
class VersionInfoReport : public Report {
public:
    using Report::Report;

protected:
    QString Name() const override { return QStringLiteral("Version Information for"); }
    void Body(PrintSurface& s) override;
};
