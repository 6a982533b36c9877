#pragma once

#include <QString>

class QWidget;

// The file dialog behind a "..." button: the program's own, so that it looks and filters the
// same on every desktop. Returns the path chosen, or an empty text when the user cancelled.
enum class FileChoiceMode { Open, Save, Folder };
QString ChooseFile(QWidget* parent, FileChoiceMode mode, const QString& caption,
                   const QString& start, const QString& filter = QString());
