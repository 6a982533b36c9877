#pragma once

#include "widgets/VantorDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Adds a software title (EditMode 1) or renames the title shown in the main window (2).
class frmAddSoftware : public VantorDialog {
    Q_OBJECT
public:
    explicit frmAddSoftware(frmVantor* main);

    // False when the title to edit could not be read; the dialog is then not to be shown.
    bool Form_Load();

    QLabel* Label1;
    QLineEdit* txtSoftware;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    // Whether another title than the one edited is equal to the text, ignoring case.
    bool isDuplicate(const QString& title) const;

    // The title shown when the dialog was loaded and, in edit mode, the row being edited.
    QString m_shownTitle;
    qint64 m_editedId = -1;
};
