#pragma once

#include "widgets/VantorDialog.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds a version to the title shown in the main window (EditMode 1) or edits the selected
// version (2).
class frmAddVersion : public VantorDialog {
    Q_OBJECT
public:
    explicit frmAddVersion(frmVantor* main);

    // False when the version to edit could not be read; the dialog is then not to be shown.
    bool Form_Load();

    QLabel* Label2;
    QLineEdit* txtVersion;
    QLabel* Label1;
    QDateEdit* dtpReleaseDate;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    // The ReleaseID of the version being edited.
    QString m_releaseId;
};
