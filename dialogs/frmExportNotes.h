#pragma once

#include "dialogs/NotesDialog.h"

class Connection;
class QComboBox;
class QGroupBox;
class QRadioButton;

// What the export dialog publishes: the title shown in the main window and the version selected
// there, if any.
struct NotesSource {
    Connection* connection; // the export reads here, in one command
    qint64 softwareId;
    QString title;
    qint64 releaseId = -1; // none selected
    QString release;       // its release number, to name it
};

// Writes the release notes of a title, or of one of its versions, to a file in the form chosen.
class frmExportNotes : public NotesDialog {
    Q_OBJECT
public:
    frmExportNotes(QWidget* parent, const NotesSource& source);

    // Centres the dialog and offers a file of the chosen form in the folder used last.
    void Form_Load();

public slots:
    void cboFormat_Click();
    void cmdOK_Click() override;

protected:
    QStringList fileFilters() const override;

private:
    // A file given, and the user's leave to replace one that is there.
    bool mayWrite(const QString& path);

    QGroupBox* Frame1;
    QRadioButton *optTitle, *optVersion;
    QComboBox* cboFormat;
    NotesSource m_source;
    int m_format = 0;
};
