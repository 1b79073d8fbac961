#pragma once
// Which device is serial port 1, which ports are present, and what to tell the operator when
// a port cannot be opened. Qt Core and Qt Serial Port only: kvr-panel says the same.

#include <QList>
#include <QString>
#include <QStringList>

class QSerialPort;

namespace kvr {

// "COM1" on Windows, "/dev/ttyS0" elsewhere.
QString serial_port_1();

// The path a port name stands for: a bare name means a device in /dev, as it does to the
// serial port.
QString port_path(const QString& port);

// A serial port the system lists, as far as the system describes it.
struct PortDescription {
    QString device;      // "/dev/ttyUSB0", "COM3"
    QString description; // "FT232R USB UART"
    QString manufacturer;
    QString serial_number;
    int vendor_id = -1; // USB only
    int product_id = -1;

    bool usb() const { return vendor_id >= 0; }
};

// The ports the system lists now, sorted by device name (ttyS2 before ttyS10). Nothing is
// opened by this program to find them.
QList<PortDescription> present_ports();

// What the current user must do before device can be opened (join its group), or empty
// when nothing stands in the way.
QString access_advice(const QString& device);

// The links in folder (/dev/serial/by-id, /dev/serial/by-path) that lead to device: names
// that stay the same between boots, where ttyUSB numbers do not.
QStringList stable_names(const QString& device, const QString& folder);

// Whether device (a link to one too) is a pseudo-terminal: a simulated panel's line, or a
// relay to a panel somewhere else.
bool is_pseudo_terminal(const QString& device);
// Whether device is a line that the shipped simulator, kvr-panel-sim, serves now: it says
// so in its registry (system/simulator_registry.h), nothing is sent on the line to ask.
bool served_by_simulator(const QString& device);

// The longest status text the window's status box shows whole.
inline constexpr int kLongestStatusText = 170;

// Why a port failed to open. text is its status text, "CANNOT OPEN SERIAL PORT <device> -
// <why>", where <why> says what to do: which ports are present, which group gives access,
// which program holds the port; in_use tells that another program holds it.
struct OpenFailure {
    QString text;
    bool in_use = false;
};
OpenFailure open_failure(const QSerialPort& port, const QString& device);

} // namespace kvr
