#pragma once

#include "dialogs/DetailDialog.h"

class QLineEdit;

// Adds a change/reason to the selected version, or edits the selected one.
class frmAddChanges : public DetailDialog {
    Q_OBJECT
public:
    // target.set holds the version's changes; changeId is the edited change's key.
    frmAddChanges(QWidget* parent, const EditTarget& target, const QString& releaseId,
                  const QString& changeId, const ShowSave& show);

    // In edit mode loads the change. False when it could not be read, in which case the
    // dialog must not be shown.
    bool Form_Load();

public slots:
    void cmdOK_Click() override;

private:
    QLineEdit* txtChange;
};
