#pragma once

#include "widgets/VantorDialog.h"

class QLineEdit;
class QPushButton;

// Where the database lives: a file, or a database on a server named by a connection URI. The
// setting is kept in the settings file and takes effect at the next start; the running program
// stays on the database it opened.
class frmPreferences : public VantorDialog {
    Q_OBJECT
public:
    // databaseFolder holds the database file the program works on: where another one is most
    // likely kept, so browsing starts there. Empty when the program works on a server.
    frmPreferences(QWidget* parent, const QString& databaseFolder);

    void Form_Load();

public slots:
    void cmdBrowse_Click();
    void cmdOK_Click() override;

private:
    QString browseFolder() const;

    QLineEdit* txtDatabase;
    QPushButton* cmdBrowse;
    QString m_databaseFolder;
};
