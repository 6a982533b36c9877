#pragma once

#include <QWidget>

class BoundTextBox;
class Connection;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QStringListModel;
class QTabWidget;
class QToolButton;
class RecordSource;
enum class EditMode;
struct ReportContext;

// The main window: the title list, three tabs, and every command of the program. Its controls
// and record sources are its own: the dialogs and reports it opens are handed what they work on.
class frmVantor : public QWidget {
    Q_OBJECT
public:
    explicit frmVantor(QWidget* parent = nullptr);
    ~frmVantor() override;

    // Opens the record sources and lists the titles; throws DbError when the database
    // cannot be opened.
    void Form_Load();

public slots:
    void tabGeneral_Click();
    void cboSoftware_Click();
    void lstVersionDate_Click();
    void lstChanges_Click();
    void lstFiles_Click();

    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void cmdFind_Click();
    void cmdClear_Click();
    void cmdAddProblem_Click();
    void cmdDeleteProblem_Click();

    void cmdAddSoftware_Click();
    void cmdEditSoftware_Click();
    void cmdDeleteSoftware_Click();
    void cmdAddVersion_Click();
    void cmdEditVersion_Click();
    void cmdDeleteVersion_Click();
    void cmdAddChange_Click();
    void cmdEditChange_Click();
    void cmdDeleteChange_Click();
    void cmdAddFile_Click();
    void cmdEditFile_Click();
    void cmdDeleteFile_Click();

    void cmdPrint_Click();
    void mnuPrintVersionInfo_Click();
    void mnuPrintCurrentProblemSolution_Click();
    void mnuPrintAllProblemSolution_Click();
    void mnuPrintComments_Click();
    void mnuExportNotes_Click();
    void mnuImportChangelog_Click();
    void mnuExportProblems_Click();
    void mnuImportProblems_Click();

    void cmdPreferences_Click();

protected:
    void resizeEvent(QResizeEvent* event) override; // Form_Resize
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override; // Form_Unload

private:
    // A list of the version tab: its lines, the hidden list of their keys, the record source
    // both are filled from, and how one of its rows is found and deleted.
    struct RecordList {
        QListWidget* lines;
        QListWidget* keys;
        RecordSource* set;
        void (frmVantor::*fill)(bool refresh);
        QString (*criterion)(const QString& key);
        QString deleteQuestion;
        QString missingText;
    };
    RecordList versionList();
    RecordList changeList();
    RecordList fileList();

    // The window's controls (frmVantor_layout.cpp).
    void buildTitleFrame();
    void buildVersionTab(QWidget* page);
    void buildProblemTab(QWidget* page);
    void buildCommentTab(QWidget* page);
    void buildPrintMenu();
    // The release notes entries at the end of the Print menu (frmVantor_notes.cpp), then the
    // problems' export and import (frmVantor_exchange.cpp).
    void buildNotesMenu();
    void buildProblemExchangeEntries();
    void buildRecordSources();
    void connectHandlers();
    // Names for a screen reader, and where the focus starts (frmVantor_access.cpp).
    void describeControls();

    void Form_Resize();
    bool SaveBoundBoxes();
    // The connection all record sources share.
    Connection* connection() const;

    // Rebuilds a list from its record source; with refresh the source's SQL text is run again
    // in the same pass (Refresh, then the list).
    void FillTitleList(bool refresh = false);
    void FillVersionList(bool refresh = false);
    void FillChangeList(bool refresh = false);
    void FillFileList(bool refresh = false);
    // Lists every title of the table again and shows the one with exactly this text; the
    // no-title state when there is none.
    void RelistTitles(const QString& title);
    // Back to the state after start-up: no title, empty lists and boxes.
    void ShowNoTitleState();
    // The six change and file commands.
    void SetDetailCommandsEnabled(bool enabled);
    // A title is shown and its row is the current row of the titles' record source.
    bool titleShown() const;

    void openSoftwareDialog(EditMode mode);
    void openVersionDialog(EditMode mode);
    template <class Dialog> void openDetailDialog(EditMode mode, const RecordList& list);
    void openProblemDialog(EditMode mode);
    // Deletes the row chosen in the list, found in its set by its key, once the user has
    // confirmed; the database removes its dependent rows. The title is then shown again,
    // whether the delete succeeded or not.
    void DeleteChosenRow(const RecordList& list);
    // The shown title's problems, all of them, the first one current.
    void ShowAllProblems();
    // Moves through the problems; a move on an empty set does nothing.
    void moveProblems(void (*move)(RecordSource*));
    // What the reports print, as the window shows it now.
    ReportContext reportContext();

    // Controls, named as their objectName.
    QGroupBox* SSFrame1;
    QComboBox* cboSoftware;
    QToolButton *cmdAddSoftware, *cmdEditSoftware, *cmdDeleteSoftware, *cmdPrint, *cmdPreferences;
    QTabWidget* tabGeneral;
    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame5;
    QLabel* Label1[6];
    QListWidget *lstVersionDate, *lstVersionID, *lstChanges, *lstChangeID, *lstFiles, *lstFileID;
    QToolButton *cmdAddVersion, *cmdEditVersion, *cmdDeleteVersion;
    QToolButton *cmdAddChange, *cmdEditChange, *cmdDeleteChange;
    QToolButton *cmdAddFile, *cmdEditFile, *cmdDeleteFile;
    BoundTextBox *txtProblem, *txtSolution, *txtComments;
    QToolButton *cmdAddProblem, *cmdDeleteProblem, *cmdFind, *cmdClear;
    QToolButton *cmdFirst, *cmdPrevious, *cmdNext, *cmdLast;
    QMenu* mnuPrint;
    QAction *mnuPrintVersionInfo, *mnuPrintCurrentProblemSolution, *mnuPrintAllProblemSolution,
        *mnuPrintComments;
    QAction *mnuExportNotes, *mnuImportChangelog;
    QAction *mnuExportProblems, *mnuImportProblems;

    RecordSource *dataSoftware, *dataVersions, *dataChanges, *dataFiles, *dataProblems;

    // The window's outer size as it was when it loaded, in twips.
    qint16 InitialHeight = 0;
    qint16 InitialWidth = 0;
    QSize m_initialSize;
    bool m_titleChangeHandled = false;
    QStringListModel* m_titleModel = nullptr;
};
