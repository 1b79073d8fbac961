// The baseline for the start-up benchmark: an empty Qt window of the same size.

#include <QApplication>
#include <QWidget>

#include "startup_probe.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(761, 593);
    window.setWindowTitle(QStringLiteral("bare"));
    install_startup_probe(&window);
    window.show();
    return QApplication::exec();
}
