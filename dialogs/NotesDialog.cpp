#include "dialogs/NotesDialog.h"

#include "dialogs/FileChoice.h"
#include "widgets/AccessibleNames.h"
#include "widgets/WindowHelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// The folder of the file picked or written last in this run.
QString& lastFolder()
{
    static QString folder;
    return folder;
}
} // namespace

NotesDialog::NotesDialog(QWidget* parent, const char* name, const QString& caption, int clientWidth,
                         int clientHeight)
    : VantorDialog(parent, name, caption, clientWidth, clientHeight)
{
}

QLabel* NotesDialog::labelFor(QWidget* box, const char* name, const QString& caption, int left,
                              int top, int width)
{
    // Set a little lower than the box, so that the two texts stand on one line; the box is
    // named by it.
    QLabel* label = makeLabel(name, caption, left, top + 60, width, 195);
    NameByLabel(label, box);
    return label;
}

void NotesDialog::makeFileRow(const char* labelName, int top, FileUse use)
{
    m_use = use;
    txtFile = makeLineEdit("txtFile", 1080, top, 4050);
    labelFor(txtFile, labelName, QStringLiteral("&File"), 180, top, 780);
    cmdBrowse = makeButton("cmdBrowse", QStringLiteral("&Browse..."), 5220, top - 15, 1110, 345);
    connect(cmdBrowse, &QPushButton::clicked, this, &NotesDialog::cmdBrowse_Click);
}

QString NotesDialog::browseFolder() const
{
    const QString typed = txtFile->text();
    if (!typed.isEmpty()) {
        const QFileInfo info(chosenPath());
        if (info.absoluteDir().exists())
            return info.absolutePath();
    }
    return lastFolder().isEmpty() ? QDir::homePath() : lastFolder();
}

QString NotesDialog::chosenPath() const
{
    const QString typed = txtFile->text();
    if (typed.isEmpty() || QFileInfo(typed).isAbsolute())
        return typed;
    const QString base = lastFolder().isEmpty() ? QDir::homePath() : lastFolder();
    return QDir(base).absoluteFilePath(typed);
}

void NotesDialog::rememberFolder(const QString& file)
{
    lastFolder() = QFileInfo(file).absolutePath();
}

void NotesDialog::cmdBrowse_Click()
{
    const bool saving = m_use == FileUse::Save;
    const QString start = txtFile->text().isEmpty()
                              ? browseFolder()
                              : QDir(browseFolder()).filePath(QFileInfo(chosenPath()).fileName());
    const QString chosen = ChooseFile(this, saving ? FileChoiceMode::Save : FileChoiceMode::Open,
                                      saving ? QStringLiteral("Save As") : QStringLiteral("Open"),
                                      start, fileFilters().join(QStringLiteral(";;")));
    if (chosen.isEmpty())
        return;
    rememberFolder(chosen);
    txtFile->setText(QDir::toNativeSeparators(chosen));
}
