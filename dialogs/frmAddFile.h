#pragma once

#include "dialogs/DetailDialog.h"

#include <QVariant>

class QDateEdit;
class QLineEdit;

// Adds a needed file to the selected version, or edits the selected one.
class frmAddFile : public DetailDialog {
    Q_OBJECT
public:
    // target.set holds the version's files; fileId is the edited file's key.
    frmAddFile(QWidget* parent, const EditTarget& target, const QString& releaseId,
               const QString& fileId, const ShowSave& show);

    // In edit mode loads the file. False when it could not be read, in which case the dialog
    // must not be shown.
    bool Form_Load();

public slots:
    void cmdOK_Click() override;

private:
    QLineEdit *txtFile, *txtVersion;
    QDateEdit* dtpDate;
    // A stored date the picker cannot show (none at all); kept unless the user picks one.
    bool m_dateUnshown = false;
    QVariant m_unshownDate;
    bool m_datePicked = false;
};
