#pragma once
// What the user sees while panels are being read or written: on a terminal, one live line
// per port that is redrawn in place and removed at the end, when the results are printed;
// elsewhere (a pipe, a file, a script) nothing.

#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>

namespace kvr::cli {

class ProgressBoard {
  public:
    ProgressBoard(std::FILE* stream, QStringList devices, QString activity);
    ~ProgressBoard();
    ProgressBoard(const ProgressBoard&) = delete;
    ProgressBoard& operator=(const ProgressBoard&) = delete;

    void progress(std::size_t port, int done, int total);
    // The port's final line, shown until the board closes.
    void finish(std::size_t port, const QString& line);
    // Removes the live lines.
    void close();
    // Runs print (which writes results to standard output) with the live lines out of its
    // way, then draws them again below what it printed.
    void above(const std::function<void()>& print);

  private:
    void draw(std::size_t port, const QString& text);
    // "DEVICE: text" within the terminal's width, the device cut in the middle when needed.
    QString fitted(std::size_t port, const QString& text) const;
    void write(const QString& text);

    std::FILE* stream_;
    QStringList devices_;
    QString activity_;
    QStringList lines_; // as drawn
    bool live_;
    bool closed_ = false;
    int columns_ = 0;
};

} // namespace kvr::cli
