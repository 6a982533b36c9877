// The window's controls, where they sit, and the handler each one runs.
#include "mainwindow/frmVantor.h"

#include "core/data/RecordSource.h"
#include "widgets/BoundTextBox.h"
#include "widgets/PictureButton.h"
#include "widgets/WindowHelpers.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStringListModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

namespace {
// Controls on a tab are given relative to the tab control; its pages start below the tabs.
constexpr int kTabHeaderTwips = 390;
constexpr int kTabBorderTwips = 30;
// Command buttons stand side by side at this distance.
constexpr int kCommandStep = 1020;

QGroupBox* makeFrame(QWidget* page, const char* name, int left, int top, int width, int height)
{
    auto* f = new QGroupBox(page);
    f->setObjectName(QLatin1String(name));
    SetGeometryTwips(f, left - kTabBorderTwips, top - kTabHeaderTwips, width, height);
    return f;
}

QLabel* makeLabel(QWidget* parent, int index, const QString& caption, int left, int top)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QStringLiteral("Label1"));
    l->setProperty("Index", index);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->move(twips(left), twips(top));
    l->adjustSize();
    return l;
}

QListWidget* makeList(QWidget* parent, const char* name, int left, int top, int width, int height,
                      bool hidden = false)
{
    auto* l = new QListWidget(parent);
    l->setObjectName(QLatin1String(name));
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setUniformItemSizes(true);
    SetGeometryTwips(l, left, top, width, height);
    if (hidden)
        l->hide();
    return l;
}

BoundTextBox* makeBox(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* b = new BoundTextBox(parent);
    b->setObjectName(QLatin1String(name));
    SetGeometryTwips(b, left, top, width, height);
    return b;
}

// The Add, Edit and Delete buttons of one kind of record, side by side from left, named
// cmdAdd<noun>, cmdEdit<noun> and cmdDelete<noun>.
void makeRecordCommands(QWidget* parent, const char* noun, int left, int top, QToolButton*& add,
                        QToolButton*& edit, QToolButton*& remove)
{
    const struct {
        const char* verb;
        QStyle::StandardPixmap picture;
        QToolButton*& button;
    } commands[] = {
        {"Add", QStyle::SP_FileIcon, add},
        {"Edit", QStyle::SP_FileDialogDetailedView, edit},
        {"Delete", QStyle::SP_TrashIcon, remove},
    };
    for (const auto& c : commands) {
        const QByteArray name = QByteArray("cmd") + c.verb + noun;
        c.button = MakePictureButton(parent, name.constData(), QLatin1String(c.verb), c.picture,
                                     left, top);
        left += kCommandStep;
    }
}
} // namespace

void frmVantor::buildTitleFrame()
{
    SSFrame1 = new QGroupBox(QStringLiteral("Software"), this);
    SSFrame1->setObjectName(QStringLiteral("SSFrame1"));
    SetGeometryTwips(SSFrame1, 2190, 60, 5385, 1455);
    cboSoftware = new QComboBox(SSFrame1);
    cboSoftware->setObjectName(QStringLiteral("cboSoftware"));
    cboSoftware->setEditable(false);
    m_titleModel = new QStringListModel(cboSoftware);
    cboSoftware->setModel(m_titleModel);
    cboSoftware->setGeometry(twips(150), twips(330), twips(5085), cboSoftware->sizeHint().height());
    makeRecordCommands(SSFrame1, "Software", 150, 750, cmdAddSoftware, cmdEditSoftware,
                       cmdDeleteSoftware);
    cmdPrint = MakePictureButton(SSFrame1, "cmdPrint", QStringLiteral("Print"),
                                 QStyle::SP_DialogSaveButton, 3210, 750);
    cmdPreferences = MakePictureButton(SSFrame1, "cmdPreferences", QStringLiteral("Options"),
                                       QStyle::SP_FileDialogContentsView, 4230, 750);
}

void frmVantor::buildVersionTab(QWidget* page)
{
    Frame2 = makeFrame(page, "Frame2", 120, 450, 3495, 2535);
    Label1[2] = makeLabel(Frame2, 2, QStringLiteral("Version / Date"), 120, 180);
    lstVersionDate = makeList(Frame2, "lstVersionDate", 120, 420, 3255, 1320);
    lstVersionID = makeList(Frame2, "lstVersionID", 150, 1470, 945, 255, true);
    makeRecordCommands(Frame2, "Version", 120, 1830, cmdAddVersion, cmdEditVersion,
                       cmdDeleteVersion);

    Frame4 = makeFrame(page, "Frame4", 3720, 450, 5745, 2535);
    Label1[4] = makeLabel(Frame4, 4, QStringLiteral("Needed Files"), 120, 180);
    lstFiles = makeList(Frame4, "lstFiles", 120, 420, 5505, 1320);
    lstFileID = makeList(Frame4, "lstFileID", 150, 1470, 945, 255, true);
    makeRecordCommands(Frame4, "File", 120, 1830, cmdAddFile, cmdEditFile, cmdDeleteFile);

    Frame3 = makeFrame(page, "Frame3", 120, 3000, 9345, 2535);
    Label1[3] = makeLabel(Frame3, 3, QStringLiteral("Changes / Reasons"), 120, 180);
    lstChanges = makeList(Frame3, "lstChanges", 120, 420, 9105, 1320);
    lstChangeID = makeList(Frame3, "lstChangeID", 150, 1440, 945, 270, true);
    makeRecordCommands(Frame3, "Change", 120, 1830, cmdAddChange, cmdEditChange, cmdDeleteChange);
}

void frmVantor::buildProblemTab(QWidget* page)
{
    Frame1 = makeFrame(page, "Frame1", 120, 450, 9345, 5085);
    Label1[0] = makeLabel(Frame1, 0, QStringLiteral("Problem"), 120, 180);
    Label1[1] = makeLabel(Frame1, 1, QStringLiteral("Solution"), 4740, 180);
    txtProblem = makeBox(Frame1, "txtProblem", 120, 420, 4485, 3870);
    txtSolution = makeBox(Frame1, "txtSolution", 4740, 420, 4485, 3870);
    const struct {
        QToolButton** button;
        const char* name;
        const char* caption;
        QStyle::StandardPixmap picture;
    } buttons[] = {
        {&cmdAddProblem, "cmdAddProblem", "Add", QStyle::SP_FileIcon},
        {&cmdDeleteProblem, "cmdDeleteProblem", "Delete", QStyle::SP_TrashIcon},
        {&cmdFind, "cmdFind", "Find", QStyle::SP_FileDialogContentsView},
        {&cmdClear, "cmdClear", "Clear", QStyle::SP_DialogResetButton},
        {&cmdFirst, "cmdFirst", "First", QStyle::SP_MediaSkipBackward},
        {&cmdPrevious, "cmdPrevious", "Previous", QStyle::SP_MediaSeekBackward},
        {&cmdNext, "cmdNext", "Next", QStyle::SP_MediaSeekForward},
        {&cmdLast, "cmdLast", "Last", QStyle::SP_MediaSkipForward},
    };
    int left = 120;
    for (const auto& b : buttons) {
        *b.button =
            MakePictureButton(Frame1, b.name, QLatin1String(b.caption), b.picture, left, 4380);
        left += kCommandStep;
    }
}

void frmVantor::buildCommentTab(QWidget* page)
{
    Frame5 = makeFrame(page, "Frame5", 120, 450, 9345, 5085);
    Label1[5] = makeLabel(Frame5, 5, QStringLiteral("Comments"), 120, 180);
    txtComments = makeBox(Frame5, "txtComments", 120, 420, 9105, 4560);
}

void frmVantor::buildPrintMenu()
{
    mnuPrint = new QMenu(QStringLiteral("Print"), this);
    mnuPrint->setObjectName(QStringLiteral("mnuPrint"));
    auto add = [this](const char* name, const char* caption) {
        QAction* a = mnuPrint->addAction(QLatin1String(caption));
        a->setObjectName(QLatin1String(name));
        return a;
    };
    mnuPrintVersionInfo = add("mnuPrintVersionInfo", "Version Information");
    mnuPrintCurrentProblemSolution =
        add("mnuPrintCurrentProblemSolution", "Current Problem/Solution");
    mnuPrintAllProblemSolution = add("mnuPrintAllProblemSolution", "All Problems/Solutions");
    mnuPrintComments = add("mnuPrintComments", "Comments");
    buildNotesMenu();
    buildProblemExchangeEntries();
}

void frmVantor::buildRecordSources()
{
    dataSoftware = new RecordSource(QStringLiteral("dataSoftware"), this);
    dataVersions = new RecordSource(QStringLiteral("dataVersions"), this);
    dataChanges = new RecordSource(QStringLiteral("dataChanges"), this);
    dataFiles = new RecordSource(QStringLiteral("dataFiles"), this);
    dataProblems = new RecordSource(QStringLiteral("dataProblems"), this);
    dataSoftware->bind(txtComments, QStringLiteral("Comments"));
    dataProblems->bind(txtProblem, QStringLiteral("Problem"));
    dataProblems->bind(txtSolution, QStringLiteral("Solution"));
}

void frmVantor::connectHandlers()
{
    // One loop through the whole window, from the tabs themselves: a chain from the tab widget,
    // whose pages hold the next controls, falls apart into a loop per page.
    QWidget* const tabs = tabGeneral->tabBar();
    SetTabOrder({tabs,           lstFiles,          cmdAddFile,      cmdDeleteFile,
                 cmdEditFile,    lstChanges,        cmdAddChange,    cmdDeleteChange,
                 cmdEditChange,  lstVersionDate,    cmdAddVersion,   cmdDeleteVersion,
                 cmdEditVersion, txtSolution,       txtProblem,      cmdFind,
                 cmdAddProblem,  cmdDeleteProblem,  cmdPrevious,     cmdFirst,
                 cmdNext,        cmdLast,           txtComments,     cboSoftware,
                 cmdAddSoftware, cmdDeleteSoftware, cmdEditSoftware, cmdPrint,
                 cmdPreferences, cmdClear});

    connect(tabGeneral, &QTabWidget::currentChanged, this, &frmVantor::tabGeneral_Click);
    // The handler runs when the program sets the index and when the user picks a title, also
    // the title already shown.
    connect(cboSoftware, &QComboBox::currentIndexChanged, this, [this] {
        // A user's pick emits activated right after this, in the same event; a change by the
        // program does not, so the mark must not outlive the event.
        m_titleChangeHandled = true;
        QTimer::singleShot(0, this, [this] { m_titleChangeHandled = false; });
        cboSoftware_Click();
    });
    connect(cboSoftware, &QComboBox::activated, this, [this] {
        if (!m_titleChangeHandled)
            cboSoftware_Click();
        m_titleChangeHandled = false;
    });
    connect(lstVersionDate, &QListWidget::currentRowChanged, this,
            &frmVantor::lstVersionDate_Click);
    // A mouse press makes the line current before it selects it: the partner follows the
    // selection, which is complete only once it has changed.
    connect(lstChanges, &QListWidget::itemSelectionChanged, this, &frmVantor::lstChanges_Click);
    connect(lstFiles, &QListWidget::itemSelectionChanged, this, &frmVantor::lstFiles_Click);

    const std::pair<QObject*, void (frmVantor::*)()> commands[] = {
        {cmdFirst, &frmVantor::cmdFirst_Click},
        {cmdPrevious, &frmVantor::cmdPrevious_Click},
        {cmdNext, &frmVantor::cmdNext_Click},
        {cmdLast, &frmVantor::cmdLast_Click},
        {cmdFind, &frmVantor::cmdFind_Click},
        {cmdClear, &frmVantor::cmdClear_Click},
        {cmdAddProblem, &frmVantor::cmdAddProblem_Click},
        {cmdDeleteProblem, &frmVantor::cmdDeleteProblem_Click},
        {cmdAddSoftware, &frmVantor::cmdAddSoftware_Click},
        {cmdEditSoftware, &frmVantor::cmdEditSoftware_Click},
        {cmdDeleteSoftware, &frmVantor::cmdDeleteSoftware_Click},
        {cmdAddVersion, &frmVantor::cmdAddVersion_Click},
        {cmdEditVersion, &frmVantor::cmdEditVersion_Click},
        {cmdDeleteVersion, &frmVantor::cmdDeleteVersion_Click},
        {cmdAddChange, &frmVantor::cmdAddChange_Click},
        {cmdEditChange, &frmVantor::cmdEditChange_Click},
        {cmdDeleteChange, &frmVantor::cmdDeleteChange_Click},
        {cmdAddFile, &frmVantor::cmdAddFile_Click},
        {cmdEditFile, &frmVantor::cmdEditFile_Click},
        {cmdDeleteFile, &frmVantor::cmdDeleteFile_Click},
        {cmdPrint, &frmVantor::cmdPrint_Click},
        {cmdPreferences, &frmVantor::cmdPreferences_Click},
        {mnuPrintVersionInfo, &frmVantor::mnuPrintVersionInfo_Click},
        {mnuPrintCurrentProblemSolution, &frmVantor::mnuPrintCurrentProblemSolution_Click},
        {mnuPrintAllProblemSolution, &frmVantor::mnuPrintAllProblemSolution_Click},
        {mnuPrintComments, &frmVantor::mnuPrintComments_Click},
    };
    for (const auto& [command, handler] : commands) {
        if (auto* button = qobject_cast<QToolButton*>(command))
            connect(button, &QToolButton::clicked, this, handler);
        else
            connect(static_cast<QAction*>(command), &QAction::triggered, this, handler);
    }
}
