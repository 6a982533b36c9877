#pragma once

#include "widgets/VantorDialog.h"

#include <functional>
#include <utility>
#include <vector>

class Connection;
class RecordSource;

// What an editing dialog is opened for: adding (1) or editing (2) a record; the problem dialog
// reads 2 as find.
enum class EditMode { Add = 1, Edit = 2, Find = Edit };

// What an editing dialog works on, handed over by the window that opens it.
struct EditTarget {
    RecordSource* set;      // the record source it reads and saves through
    Connection* connection; // each of its commands runs here, in one transaction
    EditMode mode;
};

// How the window that opened a dialog shows what the dialog saved; both are the window's own
// code, run when the dialog says.
struct ShowSave {
    // Inside the save's command, after the write: the lists are read again and the saved row
    // shown. A failure here undoes the write as well.
    std::function<void()> saved;
    // After a save that failed once it had changed what the window shows: the window shows
    // what is stored again.
    std::function<void()> stored;
};

// How an editing dialog looks: its object name, its caption when it adds and when it edits, and
// the size of its inside in twips.
struct DialogFace {
    const char* name;
    const char* addCaption;
    const char* editCaption;
    int width;
    int height;
};

// The frame of the dialogs that add, edit or find records.
class EditDialog : public VantorDialog {
    Q_OBJECT
public:
    EditDialog(QWidget* parent, const EditTarget& target, const DialogFace& face);

    EditMode mode() const { return m_target.mode; }

    // Centres the dialog; in EditMode::Edit shows the edit caption and reads the record into the
    // boxes. False, after the database's message, when the record could not be read: the dialog
    // is then not to be shown.
    bool Form_Load();

protected:
    bool editing() const { return m_target.mode == EditMode::Edit; }
    RecordSource* set() const { return m_target.set; }
    // One command on the target's connection; false, after the database's message, when it
    // failed and was rolled back.
    bool run(const std::function<void()>& body) const;

    // Reads the edited record into the boxes; false when it could not be read.
    virtual bool loadRecord() { return true; }

    // A box that holds a field of the record: it must be filled in, shows the field and saves
    // into it.
    QLineEdit* bindField(QLineEdit* box, const QString& field);
    // False, after telling the user, when a bound box is empty.
    bool fieldsFilledIn() const;
    // The bound fields of the record source's current row into their boxes, and back.
    void showFields();
    void saveFields();

private:
    EditTarget m_target;
    const char* m_editCaption;
    std::vector<std::pair<QLineEdit*, QString>> m_fields;
};

// SoftwareID of the titles' current row; DbError when no title is current.
qint64 CurrentSoftwareId(const RecordSource* titles);
