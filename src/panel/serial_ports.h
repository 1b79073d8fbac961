#pragma once
// Which device is serial port 1, and what to tell the operator when a port cannot be opened.

#include <QString>

class QSerialPort;

namespace kvr {

// "COM1" on Windows, "/dev/ttyS0" elsewhere.
QString serial_port_1();

// The status text for a port that failed to open: "CANNOT OPEN SERIAL PORT <device> - <why>".
QString open_failure_text(const QSerialPort& port, const QString& device);

} // namespace kvr
