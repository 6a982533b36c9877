#include "reports/CommentsReport.h"

#include "ui/main/BoundTextBox.h"
#include "ui/main/frmVantor.h"

void CommentsReport::Body(PrintSurface& s)
{
    SectionLabel(s, QStringLiteral("Comments"), kFirstSectionTop);
    SectionBody(s, kTextTop);
    // The comments box is about twice as wide as the problem boxes; its lines print whole.
    PrintBox(s, w.txtComments, true);
}
