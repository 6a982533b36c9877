#include "dialogs/FileChoice.h"

#include "widgets/MsgBox.h"

#include <QFileDialog>
#include <QFileInfo>

QString ChooseFile(QWidget* parent, FileChoiceMode mode, const QString& caption,
                   const QString& start, const QString& filter)
{
    QFileDialog dlg(parent, caption, start, filter);
    dlg.setObjectName(QStringLiteral("dlgFile"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setFilter(dlg.filter() & ~QDir::CaseSensitive);
    switch (mode) {
    case FileChoiceMode::Open:
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileChoiceMode::Save:
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite);
        break;
    case FileChoiceMode::Folder:
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::Directory);
        dlg.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

bool MayReplace(const QString& path)
{
    return !QFileInfo::exists(path) ||
           MsgConfirm(QStringLiteral("The file %1 is there already.\nDo you want to replace it?")
                          .arg(path));
}
