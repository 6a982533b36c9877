#pragma once

#include <QString>

class QWidget;

// The file dialog behind a browse button: the program's own, so that it looks and filters the
// same on every desktop, and its filters take any letter case. start is a folder, or a file
// that is then chosen already. Returns the path chosen, or an empty text when the user
// cancelled. A file to save to is not asked about here: the dialog's OK asks (MayReplace),
// also for a name typed into its box.
enum class FileChoiceMode { Open, Save, Folder };
QString ChooseFile(QWidget* parent, FileChoiceMode mode, const QString& caption,
                   const QString& start, const QString& filter = QString());

// Whether an export may write path: nothing is there, or the user agreed to replace the file.
bool MayReplace(const QString& path);
