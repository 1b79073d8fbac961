#include "panel/serial_ports.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>

#include "system/system.h"

namespace kvr {

namespace {

const QString kCloseIt = QStringLiteral(" - CLOSE IT AND TRY AGAIN");

QString no_such_device(const QString& prefix) {
    const QList<PortDescription> present = present_ports();
    if (present.isEmpty())
        return prefix + QStringLiteral("NO SUCH DEVICE - NO SERIAL PORT IS PRESENT: CONNECT THE "
                                       "ADAPTER");
    // As many of the present ports as the status box holds, then how many more there are.
    const QString more = QStringLiteral(" AND %1 MORE");
    QString text = prefix + QStringLiteral("NO SUCH DEVICE - PORTS PRESENT: ");
    for (qsizetype i = 0; i < present.size(); ++i) {
        const QString next = (i ? QStringLiteral(", ") : QString()) + present[i].device;
        const qsizetype left = present.size() - i - 1;
        const qsizetype reserve = left ? more.arg(left).size() : 0;
        if (text.size() + next.size() + reserve > kLongestStatusText)
            return text + more.arg(present.size() - i);
        text += next;
    }
    return text;
}

#ifdef Q_OS_LINUX
bool has_open(const QString& process, const QString& target) {
    QDirIterator descriptors(process + QStringLiteral("/fd"), QDir::AllEntries | QDir::System);
    while (descriptors.hasNext())
        if (QFile::symLinkTarget(descriptors.next()) == target) return true;
    return false;
}
#endif

// "minicom (PID 4242)" for a process with the device open, another one before this one
// (which may keep a simulated panel's line open itself). Best effort: only the processes
// whose descriptors this user may see are looked at.
QString holding_program(const QString& device) {
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty()) return {};
    const QString self = QString::number(QCoreApplication::applicationPid());
    QString holder;
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        const QString process = processes.next();
        const QString pid = processes.fileName();
        bool numeric = false;
        pid.toLongLong(&numeric);
        if (!numeric || !has_open(process, target)) continue;
        holder = pid;
        if (pid != self) break;
    }
    if (holder.isEmpty()) return {};
    QFile comm(QStringLiteral("/proc/%1/comm").arg(holder));
    const QString name = comm.open(QIODevice::ReadOnly)
                             ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                             : QStringLiteral("ANOTHER PROGRAM");
    return QStringLiteral("%1 (PID %2)").arg(name, holder);
#else
    Q_UNUSED(device);
    return {};
#endif
}

OpenFailure in_use_or_denied(const QString& prefix, const QString& device) {
    const QString advice = access_advice(device);
    if (!advice.isEmpty()) return {prefix + QStringLiteral("PERMISSION DENIED - ") + advice};
    const QString holder = holding_program(device);
    return {prefix + QStringLiteral("IN USE BY ") +
                (holder.isEmpty() ? QStringLiteral("ANOTHER PROGRAM") : holder) + kCloseIt,
            true};
}

} // namespace

QString access_advice(const QString& device) {
    const QString group = os::access_group_needed(device);
    if (group.isEmpty()) return {};
    return QStringLiteral("ADD THE USER TO GROUP %1 (OR INSTALL THE PACKAGE'S UDEV RULE) AND "
                          "LOG IN AGAIN")
        .arg(group);
}

QStringList stable_names(const QString& device, const QString& folder) {
    QStringList names;
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty()) return names;
    QDirIterator links(folder, QDir::System | QDir::Files);
    while (links.hasNext()) {
        const QString link = links.next();
        if (QFileInfo(link).canonicalFilePath() == target) names.append(link);
    }
    names.sort();
    return names;
}

QString serial_port_1() {
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("/dev/ttyS0");
#endif
}

QString port_path(const QString& port) {
#ifdef Q_OS_WIN
    return port; // COM3 is the device's own name
#else
    return port.contains(u'/') ? port : QStringLiteral("/dev/") + port;
#endif
}

QList<PortDescription> present_ports() {
    QList<PortDescription> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortDescription port{info.systemLocation(), info.description(), info.manufacturer(),
                             info.serialNumber()};
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            port.vendor_id = info.vendorIdentifier();
            port.product_id = info.productIdentifier();
        }
        ports.push_back(port);
    }
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(ports.begin(), ports.end(), [&numeric](const auto& a, const auto& b) {
        return numeric.compare(a.device, b.device) < 0;
    });
    return ports;
}

bool is_pseudo_terminal(const QString& device) {
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return false;
#else
    const QString target = QFileInfo(port_path(device)).canonicalFilePath();
    // Linux's /dev/pts/N, the BSDs' and macOS's /dev/ttysNNN and /dev/ttyp0 of old.
    static const QRegularExpression old_style(QStringLiteral("^/dev/tty[p-zP-T][0-9a-f]$"));
    return target.startsWith(QLatin1String("/dev/pts/")) ||
           target.startsWith(QLatin1String("/dev/ttys")) || old_style.match(target).hasMatch();
#endif
}

bool served_by_simulator(const QString& device) {
    const QString folder = os::simulator_registry_folder();
    const QString target = QFileInfo(port_path(device)).canonicalFilePath();
    if (folder.isEmpty() || target.isEmpty()) return false;
    QDirIterator registered(folder, QDir::Files);
    while (registered.hasNext()) {
        QFile file(registered.next());
        bool number = false;
        const qint64 pid = registered.fileName().toLongLong(&number);
        if (!number || !file.open(QIODevice::ReadOnly)) continue;
        const QString line = QString::fromLocal8Bit(file.readLine()).trimmed();
        if (QFileInfo(line).canonicalFilePath() == target && os::process_running(pid)) return true;
    }
    return false;
}

OpenFailure open_failure(const QSerialPort& port, const QString& device) {
    const QString prefix = QStringLiteral("CANNOT OPEN SERIAL PORT %1 - ").arg(device);
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {no_such_device(prefix)};
    // Qt reports a port that another program holds as a permission error too.
    case QSerialPort::PermissionError:
        return in_use_or_denied(prefix, device);
    default:
        return {prefix + port.errorString().toUpper()};
    }
}

} // namespace kvr
