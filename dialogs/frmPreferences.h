#pragma once

#include "widgets/VantorDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Where the database file lives. The path is kept in the settings file and takes effect at the
// next start; the running program stays on the database it opened.
class frmPreferences : public VantorDialog {
    Q_OBJECT
public:
    explicit frmPreferences(frmVantor* main);

    void Form_Load();

    QLabel* Label1;
    QLineEdit* txtDatabase;
    QPushButton* cmdBrowse;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

public slots:
    void cmdBrowse_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
};
