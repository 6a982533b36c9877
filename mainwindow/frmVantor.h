#pragma once

#include <QWidget>

class BoundTextBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QStringListModel;
class QTabWidget;
class QToolButton;
class RecordSource;
class Connection;
struct ReportContext;

// The main window: the title list, three tabs, and every command of the program.
// Dialogs work directly on its record sources and controls; reports are handed what they print.
class frmVantor : public QWidget {
    Q_OBJECT
public:
    explicit frmVantor(QWidget* parent = nullptr);
    ~frmVantor() override;

    // Opens the record sources and lists the titles; throws DbError when the database
    // cannot be opened.
    void Form_Load();

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

    RecordSource *dataSoftware, *dataVersions, *dataChanges, *dataFiles, *dataProblems;

    // The window's outer size as it was when it loaded, in twips.
    qint16 InitialHeight = 0;
    qint16 InitialWidth = 0;

    // The connection all record sources share.
    Connection* connection() const;

    // The text of the selected line of a list, empty when no line is selected.
    static QString SelectedText(const QListWidget* list);
    static int SelectedIndex(const QListWidget* list);
    // The key in the partner list at the line selected in the visible list.
    static QString SelectedKey(const QListWidget* visible, const QListWidget* partner);
    // SoftwareID of the current row of dataSoftware.
    qint64 CurrentSoftwareId() const;

    // Rebuilds the version, change and file lists from their record sources; with refresh
    // the source's SQL text is run again in the same pass (Refresh, then the list).
    void FillVersionList(bool refresh = false);
    void FillChangeList(bool refresh = false);
    void FillFileList(bool refresh = false);
    // The six change and file commands.
    void SetDetailCommandsEnabled(bool enabled);
    // Back to the state after start-up: no title, empty lists and boxes.
    void ShowNoTitleState();
    // Deletes the row chosen in a visible list, found in its set by the key in the partner
    // list, once the user has confirmed; the database removes its dependent rows. The title
    // is then shown again, whether the delete succeeded or not.
    void DeleteChosenRow(const QListWidget* visible, const QListWidget* partner, RecordSource* set,
                         QString (*criterion)(const QString&), const QString& question,
                         const QString& missing);
    // Lists every title of dataSoftware, sorted without regard to letter case; with refresh
    // as FillVersionList.
    void FillTitleList(bool refresh = false);
    // Lists every title of the table again and shows the one with exactly this text; the
    // no-title state when there is none.
    void RelistTitles(const QString& title);

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

    void cmdPreferences_Click();

protected:
    void resizeEvent(QResizeEvent* event) override; // Form_Resize
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override; // Form_Unload

private:
    void buildTitleFrame();
    void buildVersionTab(QWidget* page);
    void buildProblemTab(QWidget* page);
    void buildCommentTab(QWidget* page);
    void buildPrintMenu();
    // What the reports print, as the window shows it now.
    ReportContext reportContext();
    void connectHandlers();
    void Form_Resize();
    bool SaveBoundBoxes();

    QSize m_initialSize;
    bool m_titleChangeHandled = false;
    QStringListModel* m_titleModel = nullptr;
};
