#include "cli/progress_board.h"

#include "system/system.h"

namespace kvr::cli {

namespace {

constexpr int kBarWidth = 25;

} // namespace

ProgressBoard::ProgressBoard(std::FILE* stream, QStringList devices, QString activity)
    : stream_(stream), devices_(std::move(devices)), activity_(std::move(activity)),
      live_(os::is_live_terminal(stream)) {
    if (!live_) return;
    columns_ = os::terminal_columns(stream);
    for (const QString& device : devices_)
        lines_.append(QStringLiteral("%1: %2").arg(device, activity_));
    for (const QString& line : lines_)
        write(line.left(columns_ - 1) + u'\n');
}

ProgressBoard::~ProgressBoard() {
    close();
}

void ProgressBoard::progress(std::size_t port, int done, int total) {
    if (!live_ || total <= 0) return;
    const int filled = done * kBarWidth / total;
    draw(port, QStringLiteral("%1: %2 [%3%4] location %5 of %6")
                   .arg(devices_[qsizetype(port)], activity_, QString(filled, u'#'),
                        QString(kBarWidth - filled, u'.'), QString::number(done),
                        QString::number(total)));
}

void ProgressBoard::finish(std::size_t port, const QString& line) {
    draw(port, line);
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
