#include "cli/progress_board.h"

#include <algorithm>

#include "system/system.h"

namespace kvr::cli {

namespace {

constexpr int kBarWidth = 25;
// A device shown shorter than this would no longer tell two ports apart.
constexpr qsizetype kShortestDevice = 16;
const QString kCut = QStringLiteral("...");

// The device in at most width characters, cut in the middle: a /dev/serial/by-id name
// begins with the same words for every adapter and ends with what tells them apart.
QString shortened(const QString& device, qsizetype width) {
    width = std::max(width, kShortestDevice);
    if (device.size() <= width) return device;
    const qsizetype head = (width - kCut.size()) / 3;
    const qsizetype tail = width - kCut.size() - head;
    return device.left(head) + kCut + device.right(tail);
}

} // namespace

ProgressBoard::ProgressBoard(std::FILE* stream, QStringList devices, QString activity)
    : stream_(stream), devices_(std::move(devices)), activity_(std::move(activity)),
      live_(os::is_live_terminal(stream)) {
    if (!live_) return;
    columns_ = os::terminal_columns(stream);
    for (std::size_t port = 0; port < std::size_t(devices_.size()); ++port)
        lines_.append(fitted(port, activity_));
    for (const QString& line : lines_)
        write(line.left(columns_ - 1) + u'\n');
}

ProgressBoard::~ProgressBoard() {
    close();
}

void ProgressBoard::progress(std::size_t port, int done, int total) {
    if (!live_ || total <= 0) return;
    const int filled = done * kBarWidth / total;
    draw(port, fitted(port, QStringLiteral("%1 [%2%3] location %4 of %5")
                                .arg(activity_, QString(filled, u'#'),
                                     QString(kBarWidth - filled, u'.'), QString::number(done),
                                     QString::number(total))));
}

void ProgressBoard::finish(std::size_t port, const QString& line) {
    const QString named = devices_[qsizetype(port)] + QLatin1String(": ");
    draw(port, line.startsWith(named) ? fitted(port, line.mid(named.size())) : line);
}

QString ProgressBoard::fitted(std::size_t port, const QString& text) const {
    const qsizetype room = columns_ - 1 - 2 - text.size();
    return shortened(devices_[qsizetype(port)], room) + QLatin1String(": ") + text;
}

void ProgressBoard::close() {
    if (closed_) return;
    closed_ = true;
    // Up to the first live line, and clear everything below it.
    if (live_) write(QStringLiteral("\x1b[%1A\r\x1b[J").arg(devices_.size()));
}

void ProgressBoard::above(const std::function<void()>& print) {
    if (!live_ || closed_) return print();
    write(QStringLiteral("\x1b[%1A\r\x1b[J").arg(devices_.size()));
    print();
    for (const QString& line : lines_)
        write(line.left(columns_ - 1) + u'\n');
}

// The cursor stays below the board; a line is never longer than the terminal is wide, so
// that each takes exactly one row.
void ProgressBoard::draw(std::size_t port, const QString& text) {
    if (!live_ || closed_) return;
    lines_[qsizetype(port)] = text;
    const qsizetype up = devices_.size() - qsizetype(port);
    write(QStringLiteral("\x1b[%1A\r\x1b[2K").arg(up) + text.left(columns_ - 1) +
          QStringLiteral("\x1b[%1B\r").arg(up));
}

void ProgressBoard::write(const QString& text) {
    std::fputs(text.toUtf8().constData(), stream_);
    std::fflush(stream_);
}

} // namespace kvr::cli
