#pragma once

#include "widgets/VantorDialog.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

// Writes the problems of the title shown, or of every title, as a web page or a CSV file.
// Opened from the Print menu; OK writes and closes, and the dialog stays open, with what was
// chosen, when the export failed or was cancelled.
class frmExportProblems : public VantorDialog {
    Q_OBJECT
public:
    // database: the setting of the open database, which the export reads as one snapshot.
    // softwareId and title: the title shown, or 0 and an empty text when none is.
    frmExportProblems(QWidget* parent, const QString& database, qint64 softwareId,
                      const QString& title);

    void Form_Load();

public slots:
    void cmdBrowse_Click();
    void cmdOK_Click() override;

private:
    bool webPage() const;
    bool everyTitle() const;
    // A name for what is written, in the folder of the last export.
    QString suggestedTarget() const;
    void suggestTarget();

    QComboBox* cboFormat;
    QRadioButton *optThisTitle, *optAllTitles;
    QLineEdit* txtFile;
    QPushButton* cmdBrowse;
    QString m_database;
    qint64 m_softwareId;
    QString m_title;
    QString m_suggested;
};
