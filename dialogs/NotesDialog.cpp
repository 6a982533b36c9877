#include "dialogs/NotesDialog.h"

#include "widgets/WindowHelpers.h"

#include <QDir>
#include <QFileDialog>
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
    label->setBuddy(box);
    return label;
}

void NotesDialog::makeFileRow(const char* labelName, int top, FileUse use)
{
    m_use = use;
    txtFile = makeLineEdit("txtFile", 1080, top, 4050);
    labelFor(txtFile, labelName, QStringLiteral("File"), 180, top, 780);
    cmdBrowse = makeButton("cmdBrowse", QStringLiteral("Browse..."), 5220, top - 15, 1110, 345);
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
    QFileDialog dlg(this, saving ? QStringLiteral("Save As") : QStringLiteral("Open"),
                    browseFolder());
    // As Options browses: the program's own dialog, whose filters take any letter case.
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setFilter(dlg.filter() & ~QDir::CaseSensitive);
    dlg.setNameFilters(fileFilters());
    dlg.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // OK asks before it replaces a file, also one typed into the box: once is enough.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (!txtFile->text().isEmpty())
        dlg.selectFile(QFileInfo(chosenPath()).fileName());
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QStringList files = dlg.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return;
    rememberFolder(files.first());
    txtFile->setText(QDir::toNativeSeparators(files.first()));
}
