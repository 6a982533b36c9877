#pragma once

#include "widgets/VantorDialog.h"

#include <QVariant>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds a needed file to the selected version, or edits the selected one.
class frmAddFile : public VantorDialog {
    Q_OBJECT
public:
    explicit frmAddFile(frmVantor* main);

    // Reads the mode from EditMode; in edit mode loads the selected file. False when that
    // file could not be read, in which case the dialog must not be shown.
    bool Form_Load();

    QLabel *Label2, *Label1, *Label3;
    QLineEdit *txtFile, *txtVersion;
    QDateEdit* dtpDate;
    QPushButton *cmdOK, *cmdCancel;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    // FileID of the file being edited.
    QString m_fileId;
    // A stored date the picker cannot show (none at all); kept unless the user picks one.
    bool m_dateUnshown = false;
    QVariant m_unshownDate;
    bool m_datePicked = false;
};
