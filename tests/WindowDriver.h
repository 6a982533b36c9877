#pragma once

#include "core/data/RecordSource.h"
#include "mainwindow/frmVantor.h"
#include "widgets/BoundTextBox.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QString>
#include <QTabWidget>
#include <QToolButton>

#include <functional>
#include <memory>

class QAbstractButton;

// Working the real windows from the tests and the benchmark: controls are found by their object
// names, as a user finds them by their captions, never through a window's members.

// The control or record source of that name below parent; a missing one ends the run, naming it.
template <class T> T* child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(parent->objectName()),
               T::staticMetaObject.className(), name);
    return found;
}

// Clicks the push button of that name below parent, as the user does.
void Click(const QObject* parent, const char* button);

// The main window with its controls and record sources, found once when it is handed over.
class MainWindow {
public:
    explicit MainWindow(std::unique_ptr<frmVantor> window);
    ~MainWindow();

    const std::unique_ptr<frmVantor> form;

    QComboBox* const cboSoftware = find<QComboBox>("cboSoftware");
    QToolButton* const cmdAddSoftware = find<QToolButton>("cmdAddSoftware");
    QToolButton* const cmdEditSoftware = find<QToolButton>("cmdEditSoftware");
    QToolButton* const cmdDeleteSoftware = find<QToolButton>("cmdDeleteSoftware");
    QToolButton* const cmdPrint = find<QToolButton>("cmdPrint");
    QToolButton* const cmdPreferences = find<QToolButton>("cmdPreferences");
    QTabWidget* const tabGeneral = find<QTabWidget>("tabGeneral");

    QListWidget* const lstVersionDate = find<QListWidget>("lstVersionDate");
    QListWidget* const lstVersionID = find<QListWidget>("lstVersionID");
    QListWidget* const lstChanges = find<QListWidget>("lstChanges");
    QListWidget* const lstChangeID = find<QListWidget>("lstChangeID");
    QListWidget* const lstFiles = find<QListWidget>("lstFiles");
    QListWidget* const lstFileID = find<QListWidget>("lstFileID");
    QToolButton* const cmdAddVersion = find<QToolButton>("cmdAddVersion");
    QToolButton* const cmdEditVersion = find<QToolButton>("cmdEditVersion");
    QToolButton* const cmdDeleteVersion = find<QToolButton>("cmdDeleteVersion");
    QToolButton* const cmdAddChange = find<QToolButton>("cmdAddChange");
    QToolButton* const cmdEditChange = find<QToolButton>("cmdEditChange");
    QToolButton* const cmdDeleteChange = find<QToolButton>("cmdDeleteChange");
    QToolButton* const cmdAddFile = find<QToolButton>("cmdAddFile");
    QToolButton* const cmdEditFile = find<QToolButton>("cmdEditFile");
    QToolButton* const cmdDeleteFile = find<QToolButton>("cmdDeleteFile");

    BoundTextBox* const txtProblem = find<BoundTextBox>("txtProblem");
    BoundTextBox* const txtSolution = find<BoundTextBox>("txtSolution");
    QToolButton* const cmdAddProblem = find<QToolButton>("cmdAddProblem");
    QToolButton* const cmdDeleteProblem = find<QToolButton>("cmdDeleteProblem");
    QToolButton* const cmdFind = find<QToolButton>("cmdFind");
    QToolButton* const cmdClear = find<QToolButton>("cmdClear");
    QToolButton* const cmdFirst = find<QToolButton>("cmdFirst");
    QToolButton* const cmdPrevious = find<QToolButton>("cmdPrevious");
    QToolButton* const cmdNext = find<QToolButton>("cmdNext");
    QToolButton* const cmdLast = find<QToolButton>("cmdLast");
    BoundTextBox* const txtComments = find<BoundTextBox>("txtComments");

    QMenu* const mnuPrint = find<QMenu>("mnuPrint");
    QAction* const mnuPrintVersionInfo = find<QAction>("mnuPrintVersionInfo");
    QAction* const mnuPrintCurrentProblemSolution = find<QAction>("mnuPrintCurrentProblemSolution");
    QAction* const mnuPrintAllProblemSolution = find<QAction>("mnuPrintAllProblemSolution");
    QAction* const mnuPrintComments = find<QAction>("mnuPrintComments");

    RecordSource* const dataSoftware = find<RecordSource>("dataSoftware");
    RecordSource* const dataProblems = find<RecordSource>("dataProblems");

private:
    template <class T> T* find(const char* name) const { return child<T>(form.get(), name); }
};

// What a test saw of a modal dialog.
struct DialogSeen {
    bool opened = false;
    QString caption;
    explicit operator bool() const { return opened; }
};

// Runs open (or clicks opener), which opens a modal dialog, and works that dialog with steps from
// inside its own event loop, as a user would; a dialog the steps leave open is then cancelled with
// its Cancel button, or closed as its close box closes it. A command that opens no dialog returns
// at once, with nothing seen.
DialogSeen WorkDialog(const std::function<void()>& open,
                      const std::function<void(QDialog*)>& steps = {});
DialogSeen WorkDialog(QAbstractButton* opener, const std::function<void(QDialog*)>& steps = {});
