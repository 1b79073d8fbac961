#include "port_list.h"

#include <algorithm>

namespace kvr {

namespace {

PortEntry present_entry(const PortDescription& port) {
    QString description = port.description;
    if (description.isEmpty() && port.device == serial_port_1())
        description = QStringLiteral("SERIAL PORT 1");
    QStringList tips;
    if (!port.manufacturer.isEmpty()) tips << QStringLiteral("MANUFACTURER: ") + port.manufacturer;
    if (port.usb())
        tips << QStringLiteral("USB VID:PID %1:%2")
                    .arg(port.vendor_id, 4, 16, QLatin1Char('0'))
                    .arg(port.product_id, 4, 16, QLatin1Char('0'))
                    .toUpper();
    if (!port.serial_number.isEmpty())
        tips << QStringLiteral("SERIAL NUMBER: ") + port.serial_number;
    return {port.device,
            description.isEmpty() ? port.device : port.device + QStringLiteral(" - ") + description,
            tips.join(u'\n')};
}

PortEntry absent_entry(const KeptPort& port) {
    const bool port_1 = port.device == serial_port_1();
    QString text = port.text;
    if (text.isEmpty())
        text = port_1 ? port.device + QStringLiteral(" - SERIAL PORT 1") : port.device;
    // A port shown by a name of its own tells its device in the tooltip.
    return {port.device, text,
            port.text.isEmpty() ? QStringLiteral("NOT LISTED BY THE SYSTEM") : port.device};
}

} // namespace

bool is_listed(const QList<PortDescription>& present, const QString& device) {
    return std::any_of(present.begin(), present.end(),
                       [&device](const PortDescription& port) { return port.device == device; });
}

QList<PortEntry> port_entries(const QList<PortDescription>& present, const QList<KeptPort>& kept,
                              const QString& in_use) {
    QList<PortEntry> entries;
    const auto listed = [&entries](const QString& device) {
        return std::any_of(entries.begin(), entries.end(),
                           [&device](const PortEntry& entry) { return entry.device == device; });
    };
    // A kept port with a text of its own (the simulated panel) shows that text even when
    // the system lists its device.
    for (const KeptPort& port : kept)
        if (!port.text.isEmpty()) entries.push_back(absent_entry(port));
    for (const PortDescription& port : present)
        if (!listed(port.device)) entries.push_back(present_entry(port));
    QList<KeptPort> others = kept;
    others.push_back({in_use, {}});
    for (const KeptPort& port : others)
        if (!port.device.isEmpty() && !listed(port.device)) entries.push_back(absent_entry(port));
    return entries;
}

QString start_port(const QList<PortDescription>& present) {
    if (is_listed(present, serial_port_1())) return serial_port_1();
    QList<PortDescription> usb;
    std::copy_if(present.begin(), present.end(), std::back_inserter(usb),
                 [](const PortDescription& port) { return port.usb(); });
    return usb.size() == 1 ? usb.front().device : serial_port_1();
}

std::optional<QString> newly_plugged_port(const QList<PortDescription>& before,
                                          const QList<PortDescription>& after,
                                          bool in_use_present) {
    if (in_use_present) return std::nullopt;
    QList<PortDescription> added;
    std::copy_if(
        after.begin(), after.end(), std::back_inserter(added),
        [&before](const PortDescription& port) { return !is_listed(before, port.device); });
    if (added.size() != 1) return std::nullopt;
    return added.front().device;
}

QString device_for_text(const QList<PortEntry>& entries, const QString& text) {
    const QString wanted = text.trimmed();
    for (const PortEntry& entry : entries)
        if (entry.text == wanted) return entry.device;
    return wanted;
}

} // namespace kvr
