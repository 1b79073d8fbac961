#pragma once
// A line trace for diagnosis: every byte sent to and received from each port, with the
// milliseconds since the trace began, the direction, hex and a printable form. Each line
// is flushed as it is written, so the trace of a run that hung or crashed is complete.
// Tracing never holds up a panel: the file is opened and written without waiting, and a
// trace that cannot be written stops and says so in failure() instead.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

namespace kvr {

class LineTrace {
  public:
    enum class Direction { sent, received };

    // Creates (or empties) the file; false with the reason in error() when it cannot. A
    // pipe with no reader is refused rather than waited for.
    bool open(const QString& path);
    QString error() const { return error_; }

    void record(const QString& device, Direction direction, const QByteArray& bytes);
    // A remark about the line, as a comment: "#   131.905 /dev/ttyUSB0 THE SWITCH PANEL ...".
    void note(const QString& device, const QString& text);
    // Why the trace stopped being written (a full disk, a reader gone), or empty.
    const QString& failure() const { return failure_; }

    // "53 00 05 00 78 44" and "S<00><05><00>xD": the two forms of the same bytes.
    static QString hex(const QByteArray& bytes);
    static QString printable(const QByteArray& bytes);

  private:
    void write(const QByteArray& line);

    QFile file_;
    QElapsedTimer clock_;
    QString error_;
    QString failure_;
};

} // namespace kvr
