#pragma once

#include "widgets/VantorDialog.h"

#include <functional>

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

// The frame of the dialogs that add, edit or find records.
class EditDialog : public VantorDialog {
    Q_OBJECT
public:
    EditDialog(QWidget* parent, const EditTarget& target, const char* name, const QString& caption,
               int clientWidth, int clientHeight);

    EditMode mode() const { return m_target.mode; }

protected:
    bool editing() const { return m_target.mode == EditMode::Edit; }
    RecordSource* set() const { return m_target.set; }
    // One command on the target's connection; false, after the database's message, when it
    // failed and was rolled back.
    bool run(const std::function<void()>& body) const;
    // False, after telling the user, when one of the required texts is empty.
    static bool filledIn(std::initializer_list<QString> texts);

private:
    EditTarget m_target;
};

// SoftwareID of the titles' current row; DbError when no title is current.
qint64 CurrentSoftwareId(const RecordSource* titles);
