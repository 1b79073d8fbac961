// kvr-panel ports: the serial ports present, with the names that stay the same between
// boots and whether this user may open them; ports named with --port are described too.

#include <QFileInfo>
#include <QJsonArray>

#include "cli/invocation.h"
#include "cli/output.h"
#include "cli/subcommands.h"
#include "panel/serial_ports.h"

namespace kvr::cli {

namespace {

struct PortEntry {
    PortDescription port;
    QStringList by_id;
    QStringList by_path;
    bool present = true;
    QString advice; // what to do before it can be opened, or empty
};

QString vid_pid(const PortDescription& port) {
    if (!port.usb()) return {};
    return QStringLiteral("%1:%2")
        .arg(port.vendor_id, 4, 16, QLatin1Char('0'))
        .arg(port.product_id, 4, 16, QLatin1Char('0'));
}

class PortList : public Result {
  public:
    explicit PortList(const std::vector<PortEntry>& entries) : entries_(entries) {}
    QString text() const override {
        if (entries_.empty()) return QStringLiteral("no serial port is present\n");
        QString text;
        for (const PortEntry& entry : entries_) {
            QStringList facts{entry.port.device};
            for (const QString& fact : {entry.port.description, entry.port.manufacturer,
                                        vid_pid(entry.port), entry.port.serial_number})
                if (!fact.isEmpty()) facts.append(fact);
            text += facts.join(QStringLiteral("  ")) + u'\n';
            for (const QString& name : entry.by_id + entry.by_path)
                text += QStringLiteral("    ") + name + u'\n';
            text +=
                QStringLiteral("    ") +
                (!entry.present           ? QStringLiteral("not present")
                 : entry.advice.isEmpty() ? QStringLiteral("may be opened")
                                          : QStringLiteral("cannot be opened: ") + entry.advice) +
                u'\n';
        }
        return text;
    }
    QJsonObject data() const override {
        QJsonArray ports;
        for (const PortEntry& entry : entries_)
            ports.append(QJsonObject{
                {"device", entry.port.device},
                {"by_id", QJsonArray::fromStringList(entry.by_id)},
                {"by_path", QJsonArray::fromStringList(entry.by_path)},
                {"description", or_null(entry.port.description)},
                {"manufacturer", or_null(entry.port.manufacturer)},
                {"vid_pid", or_null(vid_pid(entry.port))},
                {"serial_number", or_null(entry.port.serial_number)},
                {"present", entry.present},
                {"may_open", entry.present && entry.advice.isEmpty()},
                {"advice", or_null(entry.advice)},
            });
        return {{"command", "ports"}, {"ports", ports}};
    }

  private:
    const std::vector<PortEntry>& entries_;
};

} // namespace

ExitCode list_ports(const Invocation& invocation) {
    if (invocation.probe) return probe_ports(invocation);
    QList<PortDescription> ports = present_ports();
    for (const QString& named : invocation.ports) {
        const QString path = port_path(named);
        const bool listed = std::any_of(ports.begin(), ports.end(), [&path](const auto& port) {
            return QFileInfo(port.device).canonicalFilePath() ==
                       QFileInfo(path).canonicalFilePath() &&
                   QFileInfo::exists(path);
        });
        if (!listed) ports.push_back(PortDescription{path, {}, {}, {}});
    }
    std::vector<PortEntry> entries;
    for (const PortDescription& port : ports)
        entries.push_back({port, stable_names(port.device, QStringLiteral("/dev/serial/by-id")),
                           stable_names(port.device, QStringLiteral("/dev/serial/by-path")),
                           QFileInfo::exists(port.device), access_advice(port.device)});
    return print_result(PortList(entries), format_of(invocation));
}

} // namespace kvr::cli
