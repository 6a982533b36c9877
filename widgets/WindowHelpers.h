#pragma once

#include <QList>

class QAbstractButton;
class QWidget;
class QDialog;

// Window geometry is given in twips; the screen has 15 twips to a pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;
constexpr int twips(int tw)
{
    return tw / kTwipsPerPixel;
}

void SetGeometryTwips(QWidget* w, int left, int top, int width, int height);

// Tab goes from each widget of the chain to the next.
void SetTabOrder(const QList<QWidget*>& chain);

// Places a window in the middle of the whole screen (not the work area); no clamping.
void CenterForm(QWidget* window);

// The hourglass over every window of the program, or the normal pointer again.
void SetBusyCursor(bool busy);

// Enter or Return on the focused button presses it, as Space does; no button is a default
// button, so Enter in a text box still presses nothing.
void PressOnEnter(QAbstractButton* button);

// Closes a dialog and lets the windows under it repaint.
void UnloadDialog(QDialog* dialog, bool accepted);

// The start-up pauses; tests switch them off. The windows on the screen stay painted while a
// pause lasts; user input waits until it is over.
void SetStartupWaitsEnabled(bool enabled);
void StartupWait(int milliseconds);

// Puts a window that start-up has just shown or changed on the screen, painted, before
// start-up goes on; no user input is handled meanwhile.
void PaintNow(QWidget* window);
