#include "tests/WindowDriver.h"

#include "core/data/RecordSource.h"
#include "mainwindow/frmVantor.h"
#include "widgets/BoundTextBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

void Click(const QObject* parent, const char* button)
{
    child<QPushButton>(parent, button)->click();
}

MainWindow::MainWindow(std::unique_ptr<frmVantor> window) : form(std::move(window)) {}

MainWindow::~MainWindow() = default;

DialogSeen WorkDialog(const std::function<void()>& open, const std::function<void(QDialog*)>& steps)
{
    DialogSeen seen;
    // A dialog that opens another one is already modal; the one to work is the new one.
    const QWidget* before = QApplication::activeModalWidget();
    QTimer watch;
    // Nothing runs the event loop before the dialog's own does, so the watch costs no wait.
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == before)
            return;
        watch.stop();
        seen.opened = true;
        seen.caption = dialog->windowTitle();
        if (steps)
            steps(dialog);
        if (dialog->isVisible()) {
            if (auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel")))
                cancel->click();
        }
        if (dialog->isVisible())
            dialog->reject();
    });
    watch.start();
    open();
    return seen;
}

DialogSeen WorkDialog(QAbstractButton* opener, const std::function<void(QDialog*)>& steps)
{
    return WorkDialog([opener] { opener->click(); }, steps);
}
