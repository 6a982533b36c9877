#pragma once

#include "widgets/VantorDialog.h"

#include <functional>

class Connection;
class QLineEdit;

// Adds the problems of a CSV file (header Problem,Solution) to the title shown, all in one
// command: a file with a fault anywhere adds nothing, and says where the fault is.
class frmImportProblems : public VantorDialog {
    Q_OBJECT
public:
    // shown runs inside the import's command once the problems are written: the window shows
    // the title's problems again.
    frmImportProblems(QWidget* parent, Connection* connection, qint64 softwareId,
                      const QString& title, std::function<void()> shown);

    void Form_Load();

public slots:
    void cmdBrowse_Click();
    void cmdOK_Click() override;

private:
    QLineEdit* txtFile;
    QPushButton* cmdBrowse;
    Connection* m_connection;
    qint64 m_softwareId;
    QString m_title;
    std::function<void()> m_shown;
};
