#pragma once
// A line trace for diagnosis: every byte sent to and received from each port, with the
// milliseconds since the trace began, the direction, hex and a printable form. Each line
// is flushed as it is written, so the trace of a run that hung or crashed is complete.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

namespace kvr {

class LineTrace {
  public:
    enum class Direction { sent, received };

    // Creates (or empties) the file; false with the reason in error() when it cannot.
    bool open(const QString& path);
    QString error() const { return file_.errorString(); }

    void record(const QString& device, Direction direction, const QByteArray& bytes);

    // "53 00 05 00 78 44" and "S<00><05><00>xD": the two forms of the same bytes.
    static QString hex(const QByteArray& bytes);
    static QString printable(const QByteArray& bytes);

  private:
    QFile file_;
    QElapsedTimer clock_;
};

} // namespace kvr
