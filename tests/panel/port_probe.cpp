// Another program on the same machine, for the tests of what a failed open says.
//   port_probe hold DEVICE   opens the port, prints "held" and keeps it until its input ends
//   port_probe open DEVICE   tries to open the port and prints what the operator is told

#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>
#include <cstring>

#include "panel/serial_ports.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    const QString device = QString::fromLocal8Bit(argv[2]);
    QSerialPort port(device);
    const bool opened = port.open(QIODevice::ReadWrite);
    if (std::strcmp(argv[1], "hold") == 0) {
        std::puts(opened ? "held" : "not held");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return opened ? 0 : 1;
    }
    std::puts(opened ? "opened" : qPrintable(kvr::open_failure(port, device).text));
    return 0;
}
