#include "dialogs/frmAddChanges.h"

#include <QLineEdit>

frmAddChanges::frmAddChanges(QWidget* parent, const DetailTarget& target)
    : DetailDialog(parent, target, Kind::Change)
{
    QLineEdit* txtChange = bindField(makeField("Label1", QStringLiteral("Change / Reason"), 180,
                                               1275, "txtChange", 1560, 120, 4695),
                                     QStringLiteral("Change"));
    makeOkCancel(3780, 600, {txtChange});
}
