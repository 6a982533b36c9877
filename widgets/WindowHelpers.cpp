#include "widgets/WindowHelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
bool startupWaits = true;

class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = static_cast<QAbstractButton*>(watched);
        if (button->isEnabled())
            button->click();
        return true;
    }
};

// The window manager maps a new window a moment after it is shown; a window that never gets
// mapped (no screen at all) must not hold up the start.
constexpr int kExposeTimeoutMs = 3000;

bool exposed(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return handle && handle->isExposed();
}

// Runs the event loop for a while: windows get mapped and painted, while input is kept back
// until the loop runs without this flag. A sleep would leave the windows unpainted.
void runWithoutInput(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
} // namespace

void SetGeometryTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void SetTabOrder(const QList<QWidget*>& chain)
{
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
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

void PressOnEnter(QAbstractButton* button)
{
    button->installEventFilter(new EnterPresses(button));
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
        runWithoutInput(milliseconds);
}

void PaintNow(QWidget* window)
{
    QElapsedTimer clock;
    clock.start();
    while (!exposed(window) && clock.elapsed() < kExposeTimeoutMs)
        runWithoutInput(10);
    window->repaint();
    // Hands the drawing to the window system before start-up keeps the thread busy.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
