#include "panel/serial_ports.h"

#include <QSerialPort>

namespace kvr {

namespace {

QString open_failure_reason(const QSerialPort& port) {
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("NO SUCH DEVICE");
    // Qt reports a port that another program holds as a permission error too.
    case QSerialPort::PermissionError:
        return QStringLiteral("IN USE OR ACCESS DENIED");
    default:
        return port.errorString().toUpper();
    }
}

} // namespace

QString serial_port_1() {
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("/dev/ttyS0");
#endif
}

QString open_failure_text(const QSerialPort& port, const QString& device) {
    return QStringLiteral("CANNOT OPEN SERIAL PORT %1 - %2").arg(device, open_failure_reason(port));
}

} // namespace kvr
