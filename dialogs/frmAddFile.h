#pragma once

#include "dialogs/DetailDialog.h"

#include <QVariant>

class QDateEdit;

// Adds a needed file to the selected version, or edits the selected one.
class frmAddFile : public DetailDialog {
    Q_OBJECT
public:
    frmAddFile(QWidget* parent, const DetailTarget& target);

protected:
    void showRecord() override;
    void saveRecord() override;

private:
    QDateEdit* dtpDate;
    // A stored date the picker cannot show (none at all); kept unless the user picks one.
    bool m_dateUnshown = false;
    QVariant m_unshownDate;
    bool m_datePicked = false;
};
