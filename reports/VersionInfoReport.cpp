#include "reports/VersionInfoReport.h"

#include "reports/PrintSurface.h"

namespace {
// Space above the first entry of a section, and above the second label.
constexpr double kBeforeEntries = 360;
constexpr double kBeforeSecondLabel = 720;
} // namespace

void VersionInfoReport::Body(PrintSurface& s)
{
    // The sections follow one another: each starts below what the one before it printed.
    auto section = [&](const QStringList& lines) {
        SectionBody(s, s.CurrentY() + kBeforeEntries);
        for (const QString& line : lines)
            PrintBodyLine(s, line);
    };
    SectionLabel(s, QStringLiteral("Needed Files"), kFirstSectionTop);
    section(context.files);
    SectionLabel(s, QStringLiteral("Changes / Reasons"), s.CurrentY() + kBeforeSecondLabel);
    section(context.changes);
}
