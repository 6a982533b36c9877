#pragma once

#include <QDialog>

#include <functional>

class frmVantor;
class QListWidget;
class RecordSource;

// A change or needed file needs a version to belong to.
inline const QString kNoVersionSelected = QStringLiteral("You have not selected a version.");
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The frame of the editing dialogs: fixed size given in twips, modal, centred when loaded,
// no default or cancel button (Enter and Escape press nothing), the close box acts as Cancel.
class VantorDialog : public QDialog {
    Q_OBJECT
public:
    VantorDialog(frmVantor* main, const char* name, const QString& caption, int clientWidth,
                 int clientHeight);

    frmVantor* main() const { return m_main; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

    QPushButton* makeButton(const char* name, const QString& caption, int left, int top,
                            int width = 1215, int height = 495);
    QLineEdit* makeLineEdit(const char* name, int left, int top, int width, int height = 315);
    QLabel* makeLabel(const char* name, const QString& caption, int left, int top, int width,
                      int height);
    // A date picker showing "MM/dd/yyyy", from 01/01/1601 to 12/31/9999, starting at 08/16/1999.
    QDateEdit* makeDatePicker(const char* name, int left, int top, int width, int height);

    // A change or needed file of the selected version, as its dialog's OK saves it.
    struct DetailRow {
        RecordSource* set;
        QString keyField;      // "ChangeID" or "FileID"
        QString key;           // of the row being edited
        QString findCriterion; // finds the edited row by its key
        QString missingText;   // when that row is gone
        std::function<void()> setFields;
        std::function<void()> relist;
        QListWidget* list;
    };
    // False, after telling the user, when one of the required texts is empty.
    static bool filledIn(std::initializer_list<QString> texts);
    // Edit mode: makes the row found by the criterion current and shows it. False, after the
    // database message, when it cannot be read; the dialog is then not shown.
    bool loadDetailRow(RecordSource* set, const QString& criterion, const QString& missingText,
                       const std::function<void()>& show);
    // Adds the row to the selected version (add mode; refused when none is selected) or writes the
    // edited one, found again by its key if a failed attempt moved the set; then rebuilds the list
    // and selects its first line. When the database refuses, nothing of the attempt stays pending
    // and the list shows what is stored. True on success.
    bool saveDetailRow(const DetailRow& row);

    // Closes after a successful OK or a Cancel and lets the main window repaint.
    void unload(bool accepted);

private:
    frmVantor* m_main;
};
