#include "reports/VersionInfoReport.h"

#include "mainwindow/frmVantor.h"
#include "reports/PrintSurface.h"

#include <QListWidget>

namespace {
// Space above the first entry of a section, and above the second label.
constexpr double kBeforeEntries = 360;
constexpr double kBeforeSecondLabel = 720;
} // namespace

void VersionInfoReport::Body(PrintSurface& s)
{
    // The sections follow one another: each starts below what the one before it printed.
    auto section = [&](QListWidget* list) {
        SectionBody(s, s.CurrentY() + kBeforeEntries);
        for (int i = 0; i < list->count(); ++i)
            PrintBodyLine(s, list->item(i)->text());
    };
    SectionLabel(s, QStringLiteral("Needed Files"), kFirstSectionTop);
    section(w.lstFiles);
    SectionLabel(s, QStringLiteral("Changes / Reasons"), s.CurrentY() + kBeforeSecondLabel);
    section(w.lstChanges);
}
