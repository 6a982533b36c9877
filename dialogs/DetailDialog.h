#pragma once

#include "dialogs/EditDialog.h"

// A change or needed file needs a version to belong to.
inline const QString kNoVersionSelected = QStringLiteral("You have not selected a version.");

// A row of the selected version that a change or needed-file dialog adds or edits.
struct DetailTarget {
    EditTarget edit;   // edit.set holds the version's changes or files
    QString releaseId; // the selected version's key, which a new row belongs to
    QString key;       // the edited row's key
    ShowSave show;
};

// The frame of the change and needed-file dialogs: a row of the selected version, added to it
// or edited, found by its key.
class DetailDialog : public EditDialog {
    Q_OBJECT
public slots:
    // Adds the row to the version (refused when none is selected) or writes the edited one,
    // found again by its key if a failed attempt moved the set; then the window lists the rows
    // again. When the database refuses, the dialog stays open, nothing of the attempt stays
    // pending and the window shows what is stored.
    void cmdOK_Click() override;

protected:
    enum class Kind { Change, File };

    DetailDialog(QWidget* parent, const DetailTarget& target, Kind kind);

    bool loadRecord() override;
    // The edited row's fields into the boxes, and the boxes into the row being saved.
    virtual void showRecord() { showFields(); }
    virtual void saveRecord() { saveFields(); }

private:
    // Makes the edited row current; DbError when it is gone.
    void findEditedRow() const;

    Kind m_kind;
    DetailTarget m_target;
};
