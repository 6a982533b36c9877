#pragma once

#include "dialogs/EditDialog.h"

class QLineEdit;

// Adds a software title, or renames the title shown in the main window.
class frmAddSoftware : public EditDialog {
    Q_OBJECT
public:
    // Lists every title again and shows the one named (the no-title state when there is none).
    using ShowTitle = std::function<void(const QString& title)>;

    // target.set holds the titles; shownTitle is the title the main window shows, empty for
    // none. showTitle runs inside the save's command with the saved title, and again with the
    // shown title when a save fails after the list was rebuilt.
    frmAddSoftware(QWidget* parent, const EditTarget& target, const QString& shownTitle,
                   ShowTitle showTitle);

    // Whether the dialog was closed with Cancel, not with OK or its close box.
    bool cancelPressed() const { return m_cancelPressed; }

public slots:
    void cmdOK_Click() override;
    void cmdCancel_Click() override;

protected:
    bool loadRecord() override;

private:
    // Whether another title than the one edited is equal to the text, ignoring case.
    bool isDuplicate(const QString& title) const;

    QLineEdit* txtSoftware;
    QString m_shownTitle;
    ShowTitle m_showTitle;
    // The row being edited.
    qint64 m_editedId = -1;
    bool m_cancelPressed = false;
};
