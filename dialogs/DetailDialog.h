#pragma once

#include "dialogs/EditDialog.h"

// A change or needed file needs a version to belong to.
inline const QString kNoVersionSelected = QStringLiteral("You have not selected a version.");

// The frame of the change and needed-file dialogs: a row of the selected version, added to it
// or edited, found by its key.
class DetailDialog : public EditDialog {
    Q_OBJECT
protected:
    // How the dialog's rows are told apart.
    struct Kind {
        QString keyField;                                         // "ChangeID" or "FileID"
        QString (*criterion)(const QString& key, bool bracketed); // finds a row by its key
        QString missingText;                                      // when the edited row is gone
    };

    // releaseId is the selected version's key, for a new row; key is the edited row's.
    DetailDialog(QWidget* parent, const EditTarget& target, const char* name,
                 const QString& caption, int clientWidth, int clientHeight, const Kind& kind,
                 const QString& releaseId, const QString& key, const ShowSave& show);

    // Edit mode: makes the edited row current and shows it. False, after the database's
    // message, when it cannot be read; the dialog is then not shown.
    bool loadRow(const std::function<void()>& show);
    // Adds the row to the version (refused when none is selected) or writes the edited one,
    // found again by its key if a failed attempt moved the set; then the window lists the
    // rows again. When the database refuses, nothing of the attempt stays pending and the
    // window shows what is stored. True on success.
    bool saveRow(const std::function<void()>& setFields);

private:
    Kind m_kind;
    QString m_releaseId;
    QString m_key;
    ShowSave m_show;
};
