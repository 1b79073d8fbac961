#include "panel/line_trace.h"

namespace kvr {

bool LineTrace::open(const QString& path) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    clock_.start();
    file_.write("# milliseconds  port  direction  hex  |  printable\n");
    file_.flush();
    return true;
}

void LineTrace::record(const QString& device, Direction direction, const QByteArray& bytes) {
    if (!file_.isOpen() || bytes.isEmpty()) return;
    const double ms = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    const QString line =
        QStringLiteral("%1 %2 %3 %4 | %5\n")
            .arg(ms, 10, 'f', 3)
            .arg(device, direction == Direction::sent ? QStringLiteral("tx") : QStringLiteral("rx"))
            .arg(hex(bytes), printable(bytes));
    file_.write(line.toUtf8());
    file_.flush();
}

QString LineTrace::hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

QString LineTrace::printable(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("<%1>").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

} // namespace kvr
