#include "app/WindowHelpers.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QWidget>

namespace {
bool startupWaits = true;
}

void SetGeometryTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void CenterForm(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect whole = screen->geometry();
    const QSize outer = window->frameGeometry().size();
    const int top = whole.top() + (whole.height() - outer.height()) / 2;
    const int left = whole.left() + (whole.width() - outer.width()) / 2;
    window->move(left, top);
}

void SetBusyCursor(bool busy)
{
    if (busy) {
        if (!QApplication::overrideCursor())
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
}

void UnloadDialog(QDialog* dialog, bool accepted)
{
    accepted ? dialog->accept() : dialog->reject();
    QApplication::processEvents();
}

void SetStartupWaitsEnabled(bool enabled)
{
    startupWaits = enabled;
}

void StartupWait(int milliseconds)
{
    if (startupWaits)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}
