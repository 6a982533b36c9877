#pragma once

#include "dialogs/DetailDialog.h"

// Adds a change/reason to the selected version, or edits the selected one.
class frmAddChanges : public DetailDialog {
    Q_OBJECT
public:
    frmAddChanges(QWidget* parent, const DetailTarget& target);
};
