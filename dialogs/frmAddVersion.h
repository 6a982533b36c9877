#pragma once

#include "dialogs/EditDialog.h"

class QDateEdit;

// Adds a version to the title shown in the main window, or edits the selected version.
class frmAddVersion : public EditDialog {
    Q_OBJECT
public:
    // target.set holds the title's versions; titles stands on the shown title, which a new
    // version belongs to; releaseId is the edited version's key.
    frmAddVersion(QWidget* parent, const EditTarget& target, const RecordSource* titles,
                  const QString& releaseId, const ShowSave& show);

public slots:
    void cmdOK_Click() override;

protected:
    bool loadRecord() override;

private:
    // Makes the edited version the current row of the versions.
    void findVersion() const;

    QDateEdit* dtpReleaseDate;
    const RecordSource* m_titles;
    QString m_releaseId;
    ShowSave m_show;
};
