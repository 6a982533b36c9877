#include "reports/CommentsReport.h"

void CommentsReport::Body(PrintSurface& s)
{
    SectionLabel(s, QStringLiteral("Comments"), kFirstSectionTop);
    SectionBody(s, kTextTop);
    // The comments box is about twice as wide as the problem boxes; its lines print whole.
    PrintBox(s, context.comments, true);
}
