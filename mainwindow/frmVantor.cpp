#include "mainwindow/frmVantor.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "core/text/SortWithoutCase.h"
#include "widgets/BoundTextBox.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/PictureButton.h"
#include "widgets/WindowHelpers.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStringListModel>
#include <QTabWidget>
#include <QTimer>

namespace {
// Controls on a tab are given relative to the tab control; its pages start below the tabs.
constexpr int kTabHeaderTwips = 390;
constexpr int kTabBorderTwips = 30;

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
} // namespace

frmVantor::frmVantor(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmVantor"));
    setWindowTitle(QStringLiteral("Vantor"));
    setWindowIcon(QIcon(QStringLiteral(":/vantor.png")));
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(8.25);
    setFont(font);
    // The size goes into the window manager's hints as well: some managers offer maximising
    // (and a maximise button) for every window they may resize, whatever its flags say.
    setFixedSize(twips(9750), twips(7380));

    buildTitleFrame();
    tabGeneral = new QTabWidget(this);
    tabGeneral->setObjectName(QStringLiteral("tabGeneral"));
    SetGeometryTwips(tabGeneral, 90, 1650, 9585, 5655);
    auto* page0 = new QWidget;
    auto* page1 = new QWidget;
    auto* page2 = new QWidget;
    tabGeneral->addTab(page0, QStringLiteral(" Version Information "));
    tabGeneral->addTab(page1, QStringLiteral(" Problems and Solutions "));
    tabGeneral->addTab(page2, QStringLiteral(" Comments "));
    buildVersionTab(page0);
    buildProblemTab(page1);
    buildCommentTab(page2);
    buildPrintMenu();

    dataSoftware = new RecordSource(QStringLiteral("dataSoftware"), this);
    dataVersions = new RecordSource(QStringLiteral("dataVersions"), this);
    dataChanges = new RecordSource(QStringLiteral("dataChanges"), this);
    dataFiles = new RecordSource(QStringLiteral("dataFiles"), this);
    dataProblems = new RecordSource(QStringLiteral("dataProblems"), this);
    dataSoftware->bind(txtComments, QStringLiteral("Comments"));
    dataProblems->bind(txtProblem, QStringLiteral("Problem"));
    dataProblems->bind(txtSolution, QStringLiteral("Solution"));

    QWidget* order[] = {
        tabGeneral,        lstFiles,         cmdAddFile,       cmdDeleteFile,  cmdEditFile,
        lstChanges,        cmdAddChange,     cmdDeleteChange,  cmdEditChange,  lstVersionDate,
        cmdAddVersion,     cmdDeleteVersion, cmdEditVersion,   txtSolution,    txtProblem,
        cmdFind,           cmdAddProblem,    cmdDeleteProblem, cmdPrevious,    cmdFirst,
        cmdNext,           cmdLast,          txtComments,      cboSoftware,    cmdAddSoftware,
        cmdDeleteSoftware, cmdEditSoftware,  cmdPrint,         cmdPreferences, cmdClear};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    connectHandlers();
}

frmVantor::~frmVantor() = default;

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
    cmdAddSoftware = MakePictureButton(SSFrame1, "cmdAddSoftware", QStringLiteral("Add"),
                                       QStyle::SP_FileIcon, 150, 750);
    cmdEditSoftware = MakePictureButton(SSFrame1, "cmdEditSoftware", QStringLiteral("Edit"),
                                        QStyle::SP_FileDialogDetailedView, 1170, 750);
    cmdDeleteSoftware = MakePictureButton(SSFrame1, "cmdDeleteSoftware", QStringLiteral("Delete"),
                                          QStyle::SP_TrashIcon, 2190, 750);
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
    cmdAddVersion = MakePictureButton(Frame2, "cmdAddVersion", QStringLiteral("Add"),
                                      QStyle::SP_FileIcon, 120, 1830);
    cmdEditVersion = MakePictureButton(Frame2, "cmdEditVersion", QStringLiteral("Edit"),
                                       QStyle::SP_FileDialogDetailedView, 1140, 1830);
    cmdDeleteVersion = MakePictureButton(Frame2, "cmdDeleteVersion", QStringLiteral("Delete"),
                                         QStyle::SP_TrashIcon, 2160, 1830);

    Frame4 = makeFrame(page, "Frame4", 3720, 450, 5745, 2535);
    Label1[4] = makeLabel(Frame4, 4, QStringLiteral("Needed Files"), 120, 180);
    lstFiles = makeList(Frame4, "lstFiles", 120, 420, 5505, 1320);
    lstFileID = makeList(Frame4, "lstFileID", 150, 1470, 945, 255, true);
    cmdAddFile = MakePictureButton(Frame4, "cmdAddFile", QStringLiteral("Add"), QStyle::SP_FileIcon,
                                   120, 1830);
    cmdEditFile = MakePictureButton(Frame4, "cmdEditFile", QStringLiteral("Edit"),
                                    QStyle::SP_FileDialogDetailedView, 1140, 1830);
    cmdDeleteFile = MakePictureButton(Frame4, "cmdDeleteFile", QStringLiteral("Delete"),
                                      QStyle::SP_TrashIcon, 2160, 1830);

    Frame3 = makeFrame(page, "Frame3", 120, 3000, 9345, 2535);
    Label1[3] = makeLabel(Frame3, 3, QStringLiteral("Changes / Reasons"), 120, 180);
    lstChanges = makeList(Frame3, "lstChanges", 120, 420, 9105, 1320);
    lstChangeID = makeList(Frame3, "lstChangeID", 150, 1440, 945, 270, true);
    cmdAddChange = MakePictureButton(Frame3, "cmdAddChange", QStringLiteral("Add"),
                                     QStyle::SP_FileIcon, 120, 1830);
    cmdEditChange = MakePictureButton(Frame3, "cmdEditChange", QStringLiteral("Edit"),
                                      QStyle::SP_FileDialogDetailedView, 1140, 1830);
    cmdDeleteChange = MakePictureButton(Frame3, "cmdDeleteChange", QStringLiteral("Delete"),
                                        QStyle::SP_TrashIcon, 2160, 1830);
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
        left += 1020;
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
}

void frmVantor::connectHandlers()
{
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

    const std::pair<QToolButton*, void (frmVantor::*)()> commands[] = {
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
    };
    for (const auto& [button, handler] : commands)
        connect(button, &QToolButton::clicked, this, handler);

    connect(mnuPrintVersionInfo, &QAction::triggered, this, &frmVantor::mnuPrintVersionInfo_Click);
    connect(mnuPrintCurrentProblemSolution, &QAction::triggered, this,
            &frmVantor::mnuPrintCurrentProblemSolution_Click);
    connect(mnuPrintAllProblemSolution, &QAction::triggered, this,
            &frmVantor::mnuPrintAllProblemSolution_Click);
    connect(mnuPrintComments, &QAction::triggered, this, &frmVantor::mnuPrintComments_Click);
}

Connection* frmVantor::connection() const
{
    return dataSoftware->connection();
}

void frmVantor::Form_Load()
{
    CenterForm(this);
    m_initialSize = size();
    InitialHeight = qint16(frameGeometry().height() * kTwipsPerPixel);
    InitialWidth = qint16(frameGeometry().width() * kTwipsPerPixel);

    const QString connectionText = ConnectionText(ConfiguredDatabasePath());
    dataSoftware->setConnectionString(connectionText);
    dataSoftware->setRecordSource(Sql::kAllSoftware);
    FillTitleList(true);
    for (RecordSource* s : {dataVersions, dataChanges, dataFiles, dataProblems})
        s->setConnectionString(ConnectionText(ConfiguredDatabasePath()));

    for (QToolButton* b : {cmdAddVersion, cmdEditVersion, cmdDeleteVersion, cmdAddFile, cmdEditFile,
                           cmdDeleteFile, cmdAddChange, cmdEditChange, cmdDeleteChange})
        b->setEnabled(false);
}

void frmVantor::FillTitleList(bool refresh)
{
    QStringList titles;
    const QStringList fields = {QStringLiteral("SoftwareTitle")};
    auto row = [&](const QVariant* v) { titles << v[0].toString(); };
    if (refresh) {
        dataSoftware->RefreshFields(fields, row);
    } else {
        if (!dataSoftware->isBOF())
            dataSoftware->MoveFirst();
        dataSoftware->WalkFields(fields, row);
    }
    SortWithoutCase(titles);
    const QSignalBlocker block(cboSoftware);
    // The whole list goes into the model at once, instead of one item and one row insert
    // per title.
    m_titleModel->setStringList(titles);
    cboSoftware->setCurrentIndex(-1);
}

void frmVantor::tabGeneral_Click()
{
    if (tabGeneral->currentIndex() != 1)
        return;
    const bool titleShown = !cboSoftware->currentText().isEmpty();
    for (QToolButton* b : {cmdFind, cmdFirst, cmdPrevious, cmdNext, cmdLast})
        b->setEnabled(titleShown);
}

void frmVantor::Form_Resize()
{
    if (m_initialSize.isValid() && !isMinimized() && size() != m_initialSize)
        resize(m_initialSize);
}

void frmVantor::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmVantor::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool frmVantor::SaveBoundBoxes()
{
    if (!connection())
        return true;
    return RunCommand(connection(), [this] {
        dataSoftware->SavePending();
        dataProblems->SavePending();
    });
}

void frmVantor::closeEvent(QCloseEvent* event)
{
    // Typing in the three boxes reaches the database before the program ends.
    if (!SaveBoundBoxes() &&
        !MsgConfirm(QStringLiteral("What you typed could not be saved. Close Vantor anyway and "
                                   "lose it?"))) {
        event->ignore();
        return;
    }
    event->accept();
}
