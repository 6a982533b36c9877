#include "dialogs/frmExportProblems.h"

#include "core/data/WorkProgress.h"
#include "core/exchange/ProblemExport.h"
#include "dialogs/FileChoice.h"
#include "widgets/AccessibleNames.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"
#include "widgets/WorkProgressDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
// Where the last export of this run went: the next one is suggested beside it.
QString& lastFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

// A title as part of a file name: no folder separators, no control characters.
QString fileNamePart(const QString& title)
{
    QString name;
    for (const QChar c : title)
        name += (c == QLatin1Char('/') || c == QLatin1Char('\\') ||
                 c.category() == QChar::Other_Control)
                    ? QLatin1Char('_')
                    : c;
    name = name.trimmed();
    return name.isEmpty() || name.startsWith(QLatin1Char('.')) ? QStringLiteral("Title ") + name
                                                               : name;
}
} // namespace

frmExportProblems::frmExportProblems(QWidget* parent, const QString& database, qint64 softwareId,
                                     const QString& title)
    : VantorDialog(parent, "frmExportProblems", QStringLiteral("Export Problems"), 6570, 2355),
      m_database(database), m_softwareId(softwareId), m_title(title)
{
    QLabel* lblFormat = makeLabel("lblFormat", QStringLiteral("&Format"), 180, 180, 1050, 210);
    cboFormat = new QComboBox(this);
    cboFormat->setObjectName(QStringLiteral("cboFormat"));
    cboFormat->addItems({QStringLiteral("Web page"), QStringLiteral("CSV file")});
    SetGeometryTwips(cboFormat, 1320, 120, 2400, 315);
    NameByLabel(lblFormat, cboFormat);

    makeLabel("lblProblems", QStringLiteral("Problems of"), 180, 600, 1050, 210);
    const QFontMetrics metrics(font());
    optThisTitle = new QRadioButton(
        metrics.elidedText(QStringLiteral("This title: ") + QString(title).replace('&', "&&"),
                           Qt::ElideRight, twips(5000)),
        this);
    optThisTitle->setObjectName(QStringLiteral("optThisTitle"));
    optThisTitle->setAccessibleName(QStringLiteral("This title: ") + title);
    SetGeometryTwips(optThisTitle, 1320, 570, 5100, 285);
    optAllTitles = new QRadioButton(QStringLiteral("&All titles"), this);
    optAllTitles->setObjectName(QStringLiteral("optAllTitles"));
    SetGeometryTwips(optAllTitles, 1320, 870, 5100, 285);
    auto* scope = new QButtonGroup(this);
    scope->addButton(optThisTitle);
    scope->addButton(optAllTitles);
    // With no title shown there is only every title to export.
    optThisTitle->setEnabled(softwareId != 0);
    (softwareId ? optThisTitle : optAllTitles)->setChecked(true);

    QLabel* lblFile = makeLabel("lblFile", QStringLiteral("&Save as"), 180, 1380, 1050, 210);
    txtFile = makeLineEdit("txtFile", 1320, 1320, 3780);
    NameByLabel(lblFile, txtFile);
    cmdBrowse = makeButton("cmdBrowse", QStringLiteral("&Browse..."), 5220, 1305, 1110, 345);
    cmdBrowse->setToolTip(QStringLiteral("Choose where to save"));
    makeOkCancel(3960, 1800);
    SetTabOrder({cboFormat, optThisTitle, optAllTitles, txtFile, cmdBrowse, cmdOK, cmdCancel});

    connect(cmdBrowse, &QPushButton::clicked, this, &frmExportProblems::cmdBrowse_Click);
    connect(cboFormat, &QComboBox::currentIndexChanged, this, &frmExportProblems::suggestTarget);
    connect(scope, &QButtonGroup::buttonToggled, this, &frmExportProblems::suggestTarget);
}

void frmExportProblems::Form_Load()
{
    CenterForm(this);
    suggestTarget();
    cboFormat->setFocus();
}

bool frmExportProblems::webPage() const
{
    return cboFormat->currentIndex() == 0;
}

bool frmExportProblems::everyTitle() const
{
    return optAllTitles->isChecked();
}

QString frmExportProblems::suggestedTarget() const
{
    QString name;
    if (everyTitle())
        name = webPage() ? QStringLiteral("Problems") : QStringLiteral("Problems.csv");
    else
        name = fileNamePart(m_title) +
               (webPage() ? QStringLiteral(" problems.html") : QStringLiteral(" problems.csv"));
    return QDir(lastFolder()).filePath(name);
}

// A name the user typed stays; one the dialog suggested follows the choices.
void frmExportProblems::suggestTarget()
{
    if (txtFile->text().isEmpty() || txtFile->text() == m_suggested) {
        m_suggested = suggestedTarget();
        txtFile->setText(m_suggested);
    }
}

void frmExportProblems::cmdBrowse_Click()
{
    const bool folder = webPage() && everyTitle();
    const QString chosen = ChooseFile(
        this, folder ? FileChoiceMode::Folder : FileChoiceMode::Save,
        folder ? QStringLiteral("Export to a Folder") : QStringLiteral("Export"), txtFile->text(),
        folder      ? QString()
        : webPage() ? QStringLiteral("Web page (*.html *.htm)")
                    : QStringLiteral("CSV file (*.csv)"));
    if (!chosen.isEmpty())
        txtFile->setText(chosen);
}

void frmExportProblems::cmdOK_Click()
{
    const QString target = txtFile->text().trimmed();
    if (target.isEmpty()) {
        MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
        return;
    }
    const QFileInfo info(target);
    const bool folder = webPage() && everyTitle();
    if (!folder && info.isFile() && !MayReplace(target))
        return;
    try {
        WorkProgressDialog progress(this, QStringLiteral("Export Problems"));
        const QString summary =
            ExportProblems(m_database, webPage() ? ExportFormat::WebPage : ExportFormat::Csv,
                           everyTitle() ? 0 : m_softwareId, info.absoluteFilePath(), progress);
        lastFolder() = info.absolutePath();
        MsgInform(summary);
        unload(true);
    } catch (const WorkCancelled&) {
        // Nothing was written; the dialog stays for another try.
    } catch (const DbError& e) {
        MsgBox(QStringLiteral("The problems could not be exported; nothing was written.\n\n%1")
                   .arg(e.text()),
               MsgIcon::Critical);
    }
}
