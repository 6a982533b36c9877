#include "app/Main.h"
#include "mainwindow/frmVantor.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    auto window = Main();
    if (!window)
        return 1;
    return QApplication::exec();
}
