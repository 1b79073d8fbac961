#pragma once
// What the user sees while panels are being read or written: on a terminal, one live line
// per port that is redrawn in place and replaced by the final lines at the end; elsewhere
// (a pipe, a file, a script) only the final lines.

#include <QString>
#include <QStringList>
#include <cstdio>
#include <vector>

namespace kvr::cli {

class ProgressBoard {
  public:
    // Final lines are printed at the end, or left to the caller.
    enum class FinalLines { printed, left_out };

    ProgressBoard(std::FILE* stream, QStringList devices, QString activity, FinalLines final_lines);
    ~ProgressBoard();
    ProgressBoard(const ProgressBoard&) = delete;
    ProgressBoard& operator=(const ProgressBoard&) = delete;

    void progress(std::size_t port, int done, int total);
    // The port's final line, printed when the board closes.
    void finish(std::size_t port, const QString& line);
    // Replaces the live lines by the final ones; prints the final ones when not live.
    void close();

  private:
    void draw(std::size_t port, const QString& text);
    void write(const QString& text);

    std::FILE* stream_;
    QStringList devices_;
    QString activity_;
    bool print_final_lines_;
    bool live_;
    bool closed_ = false;
    int columns_ = 0;
    std::vector<QString> final_lines_;
};

} // namespace kvr::cli
