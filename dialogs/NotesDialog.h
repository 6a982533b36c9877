#pragma once

#include "widgets/VantorDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The frame of the release notes dialogs: a file box with its caption and a button that picks
// the file through the desktop's file dialog.
class NotesDialog : public VantorDialog {
    Q_OBJECT
public:
    NotesDialog(QWidget* parent, const char* name, const QString& caption, int clientWidth,
                int clientHeight);

public slots:
    void cmdBrowse_Click();

protected:
    // What the file dialog offers: a file to save to, or one to open.
    enum class FileUse { Save, Open };
    // The caption "File", its box and the browse button on one line at top.
    void makeFileRow(const char* labelName, int top, FileUse use);
    // The file dialog's name filters; the first is chosen.
    virtual QStringList fileFilters() const = 0;

    // The path in the box, a relative one taken from the folder browsing starts in; empty
    // when the box is.
    QString chosenPath() const;
    // Where browsing starts: the folder of the file in the box, else the one last chosen.
    QString browseFolder() const;
    static void rememberFolder(const QString& file);

    QLabel* labelFor(QWidget* box, const char* name, const QString& caption, int left, int top,
                     int width);

    QLineEdit* txtFile = nullptr;
    QPushButton* cmdBrowse = nullptr;

private:
    FileUse m_use = FileUse::Open;
};
