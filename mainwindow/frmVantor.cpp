#include "mainwindow/frmVantor.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QStringListModel>
#include <QTabWidget>
#include <QToolButton>

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

    buildRecordSources();
    connectHandlers();
    describeControls();
}

frmVantor::~frmVantor() = default;

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

void frmVantor::tabGeneral_Click()
{
    if (tabGeneral->currentIndex() != 1)
        return;
    const bool shown = !cboSoftware->currentText().isEmpty();
    for (QToolButton* b : {cmdFind, cmdFirst, cmdPrevious, cmdNext, cmdLast})
        b->setEnabled(shown);
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
