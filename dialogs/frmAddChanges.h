#pragma once

#include "widgets/VantorDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Adds a change/reason to the selected version, or edits the selected one.
class frmAddChanges : public VantorDialog {
    Q_OBJECT
public:
    explicit frmAddChanges(frmVantor* main);

    // Reads the mode from EditMode; in edit mode loads the selected change. False when that
    // change could not be read, in which case the dialog must not be shown.
    bool Form_Load();

    QLabel* Label1;
    QLineEdit* txtChange;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    // ChangeID of the change being edited.
    QString m_changeId;
};
