#pragma once
// What the SERIAL PORT chooser lists and which entry it stands on, worked out from a list of
// port descriptions alone, so that every rule can be tried without hardware.

#include <QList>
#include <QString>
#include <optional>

#include "panel/serial_ports.h"

namespace kvr {

// A device listed whether or not the system lists it: serial port 1, the device given at
// start, the one in use. An empty text shows it like any other port.
struct KeptPort {
    QString device;
    QString text;
};

struct PortEntry {
    QString device;
    QString text;    // "/dev/ttyUSB0 - FT232R USB UART"
    QString tooltip; // manufacturer, USB VID:PID, serial number
};

// Every present port, then each kept port and the one in use that the system does not list,
// one entry per device.
QList<PortEntry> port_entries(const QList<PortDescription>& present, const QList<KeptPort>& kept,
                              const QString& in_use);

// The port to start on when none is given: serial port 1 when present, else the only USB
// adapter present, else serial port 1 (whose open then says what is wrong).
QString start_port(const QList<PortDescription>& present);

// The port to change to when the ports present went from before to after: the one new port,
// when there is exactly one and the port in use is not present.
std::optional<QString> newly_plugged_port(const QList<PortDescription>& before,
                                          const QList<PortDescription>& after, bool in_use_present);

// The device the operator means by the chooser's text: the entry with that text, else the
// text itself as a device path. Empty for blank text.
QString device_for_text(const QList<PortEntry>& entries, const QString& text);

bool is_listed(const QList<PortDescription>& present, const QString& device);

} // namespace kvr
