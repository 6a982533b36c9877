#include "app/Main.h"
#include "mainwindow/frmVantor.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    // The pictures are compiled into the start-up library; nothing else would keep them from
    // being dropped when the program is linked.
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    // Windows without an icon of their own, such as a message box at start-up, show this one.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vantor.png")));
    auto window = Main();
    if (!window)
        return 1;
    return QApplication::exec();
}
