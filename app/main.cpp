#include "app/Main.h"
#include "ui/main/frmVantor.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The pictures are compiled into the core library; nothing else would keep them from
    // being dropped when the program is linked.
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    auto window = Main();
    if (!window)
        return 1;
    return QApplication::exec();
}
