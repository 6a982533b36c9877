#include "reports/CommentsReport.h"

#include "mainwindow/frmVantor.h"
#include "widgets/BoundTextBox.h"

void CommentsReport::Body(PrintSurface& s)
{
    SectionLabel(s, QStringLiteral("Comments"), kFirstSectionTop);
    SectionBody(s, kTextTop);
    // The comments box is about twice as wide as the problem boxes; its lines print whole.
    PrintBox(s, w.txtComments, true);
}
