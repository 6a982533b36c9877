#pragma once

#include <QDialog>

#include <initializer_list>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The frame of the program's dialogs: fixed size given in twips, modal, centred when loaded,
// no default or cancel button (Enter and Escape press nothing), the close box acts as Cancel.
// Controls are placed in twips, as the dialogs were drawn.
class VantorDialog : public QDialog {
    Q_OBJECT
public:
    VantorDialog(QWidget* parent, const char* name, const QString& caption, int clientWidth,
                 int clientHeight);

public slots:
    virtual void cmdOK_Click() = 0;
    // Closes the dialog; nothing typed into it is kept.
    virtual void cmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

    QPushButton* makeButton(const char* name, const QString& caption, int left, int top,
                            int width = 1215, int height = 495);
    QLineEdit* makeLineEdit(const char* name, int left, int top, int width, int height = 315);
    QLabel* makeLabel(const char* name, const QString& caption, int left, int top, int width,
                      int height);
    // A date picker showing "MM/dd/yyyy", from 01/01/1601 to 12/31/9999, starting at 08/16/1999.
    QDateEdit* makeDatePicker(const char* name, int left, int top, int width);
    // A box on a line of its own with its caption to the left, set a little lower so that the
    // two texts stand on one line; the caption names the box for a screen reader.
    QLineEdit* makeField(const char* labelName, const QString& caption, int labelLeft,
                         int labelWidth, const char* name, int left, int top, int width);
    // OK and Cancel side by side from left, running cmdOK_Click and cmdCancel_Click; Tab goes
    // through the fields given, then OK, then Cancel.
    void makeOkCancel(int left, int top, std::initializer_list<QWidget*> fields = {});

    // Closes after a successful OK or a Cancel and lets the windows under it repaint.
    void unload(bool accepted);

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
