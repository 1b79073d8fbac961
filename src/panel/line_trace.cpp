#include "panel/line_trace.h"

#include "system/system.h"

namespace kvr {

bool LineTrace::open(const QString& path) {
    // Without waiting: a pipe with no reader fails at once instead of waiting for one, and
    // a slow reader costs trace lines, never the pacing of the line.
    error_ = os::open_without_waiting(file_, path);
    if (!error_.isEmpty()) return false;
    clock_.start();
    write("# milliseconds  port  direction  hex  |  printable\n");
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
    write(line.toUtf8());
}

void LineTrace::note(const QString& device, const QString& text) {
    if (!file_.isOpen()) return;
    const double ms = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    write(QStringLiteral("# %1 %2 %3\n").arg(ms, 8, 'f', 3).arg(device, text).toUtf8());
}

// Unbuffered: each line reaches the file as it is written, and a short write shows here.
void LineTrace::write(const QByteArray& line) {
    if (file_.write(line) == line.size()) return;
    failure_ = file_.errorString().isEmpty() ? QStringLiteral("not all of a line was written")
                                             : file_.errorString();
    file_.close();
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
