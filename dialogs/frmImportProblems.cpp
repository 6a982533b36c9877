#include "dialogs/frmImportProblems.h"

#include "core/data/WorkProgress.h"
#include "core/exchange/ProblemCsv.h"
#include "dialogs/FileChoice.h"
#include "widgets/AccessibleNames.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"
#include "widgets/WorkProgressDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// The file chosen last in this run; the next browse starts beside it.
QString& lastFile()
{
    static QString file;
    return file;
}
} // namespace

frmImportProblems::frmImportProblems(QWidget* parent, Connection* connection, qint64 softwareId,
                                     const QString& title, std::function<void()> shown)
    : VantorDialog(parent, "frmImportProblems", QStringLiteral("Import Problems"), 6570, 1515),
      m_connection(connection), m_softwareId(softwareId), m_title(title), m_shown(std::move(shown))
{
    QLabel* lblFile = makeLabel("lblFile", QStringLiteral("CSV &file"), 180, 180, 1050, 210);
    txtFile = makeLineEdit("txtFile", 1320, 120, 3780);
    NameByLabel(lblFile, txtFile);
    cmdBrowse = makeButton("cmdBrowse", QStringLiteral("&Browse..."), 5220, 105, 1110, 345);
    cmdBrowse->setToolTip(QStringLiteral("Choose the file to import"));

    makeLabel("lblInto", QStringLiteral("Add to"), 180, 600, 1050, 210);
    const QFontMetrics metrics(font());
    QLabel* lblTitle = makeLabel("lblTitle", metrics.elidedText(title, Qt::ElideRight, twips(5100)),
                                 1320, 600, 5100, 210);
    lblTitle->setToolTip(title);
    lblTitle->setTextFormat(Qt::PlainText);
    makeOkCancel(3960, 960);
    SetTabOrder({txtFile, cmdBrowse, cmdOK, cmdCancel});
    connect(cmdBrowse, &QPushButton::clicked, this, &frmImportProblems::cmdBrowse_Click);
}

void frmImportProblems::Form_Load()
{
    CenterForm(this);
    txtFile->setFocus();
}

void frmImportProblems::cmdBrowse_Click()
{
    const QString start = !txtFile->text().isEmpty() ? txtFile->text()
                          : lastFile().isEmpty()     ? QDir::homePath()
                                                     : lastFile();
    const QString chosen = ChooseFile(this, FileChoiceMode::Open, QStringLiteral("Import"), start,
                                      QStringLiteral("CSV file (*.csv);;All files (*)"));
    if (!chosen.isEmpty())
        txtFile->setText(chosen);
}

void frmImportProblems::cmdOK_Click()
{
    const QString file = txtFile->text().trimmed();
    if (file.isEmpty()) {
        MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
        return;
    }
    std::vector<ProblemText> problems;
    try {
        problems = ReadProblemCsv(QFileInfo(file).absoluteFilePath());
    } catch (const DbError& e) {
        MsgBox(e.text(), MsgIcon::Exclamation);
        return;
    }
    lastFile() = file;
    if (problems.empty()) {
        MsgInform(QStringLiteral("The file %1 holds no problems; nothing was imported.").arg(file));
        return;
    }
    WorkProgressDialog progress(this, QStringLiteral("Import Problems"));
    const bool added = RunCommand(m_connection, [&] {
        AddProblems(*m_connection, m_softwareId, problems, progress);
        m_shown();
    });
    if (!added)
        return;
    MsgInform(QStringLiteral("Added %1 to \"%2\".")
                  .arg(problems.size() == 1 ? QStringLiteral("1 problem")
                                            : QStringLiteral("%1 problems").arg(problems.size()),
                       m_title));
    unload(true);
}
