#pragma once
// What kvr-config and kvr-panel need of the operating system beyond Qt, in one place with a
// POSIX side (system_posix.cpp) and a Windows side (system_windows.cpp): the terminal,
// Ctrl-C and termination requests, files opened without waiting, a file's identity and
// the access to a serial device. Everything else in both programs is standard C++ and Qt.

#include <QFile>
#include <QString>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace kvr::os {

// ---- The terminal ----

// True when stream is a terminal that takes cursor movement (ANSI escapes): a POSIX
// terminal unless TERM is "dumb", a Windows console once virtual-terminal processing is
// turned on for it (which this does).
bool is_live_terminal(std::FILE* stream);
// The terminal's width in columns (a Windows console's window in its screen buffer), or 80
// when it cannot be told.
int terminal_columns(std::FILE* stream);

// ---- Ctrl-C and termination ----

// The numbers requests are given by on every system, POSIX's own.
inline constexpr int interrupt_signal = 2;  // SIGINT: Ctrl-C (on Windows Ctrl-Break too)
inline constexpr int terminate_signal = 15; // SIGTERM (on Windows: the console closed, a
                                            // log-off or a shutdown)

// While one lives, Ctrl-C and termination requests no longer end the process: each is
// handed to on_request on the event loop of the thread that made it, where stopping
// panels is safe. POSIX: a signal handler that writes into a pipe, read by a socket
// notifier. Windows: the console's control handler, which queues the call on the loop (and
// holds a closing console open until the StopRequests ends, as long as Windows allows).
// One at a time.
class StopRequests {
  public:
    explicit StopRequests(std::function<void(int signal)> on_request);
    ~StopRequests();
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;

    struct Watch; // the system's side

  private:
    std::unique_ptr<Watch> watch_;
};

// "SIGINT", "SIGTERM", "SIG<number>" for another.
QString signal_name(int signal);

// From now on a write to a pipe that nobody reads any more fails (EPIPE) instead of ending
// the process, so that a closed output is a failure the program reports and outlives.
// POSIX: SIGPIPE ignored. Windows has no such signal: nothing to do.
void outlive_closed_pipes();

// ---- Files ----

// Opens path for writing, created or emptied, unbuffered, without waiting for anything: a
// pipe with nobody reading it is refused at once. Empty when open, else why not.
QString open_without_waiting(QFile& file, const QString& path);
// Opens file (its name set) for reading when it is a regular file, checked again once open
// in case the name now leads to a pipe or a device, which could make the read wait for
// good. nullopt when open; else why not (not_regular when it is no regular file).
std::optional<QString> open_regular_file(QFile& file, const QString& not_regular);

// The same file or device by any name (a link, ./name, another device node) gives the
// same identity; a name that leads nowhere yet is known by its absolute path.
QString file_identity(const QString& path);
// Whether this user may create files in folder.
bool may_create_in(const QString& folder);
// The longest file name folder takes, in the units QFile::encodeName gives (bytes), or 0
// when the system does not say.
qsizetype longest_file_name(const QString& folder);

// ---- Serial devices ----

// The group this user must join to open device, when access is denied for want of it;
// empty when nothing stands in the way (always, where access is not by group).
QString access_group_needed(const QString& device);

// ---- The shipped simulator ----

// The folder where kvr-panel-sim names the lines it serves (system/simulator_registry.h);
// empty where it does not run (Windows).
QString simulator_registry_folder();
// Whether the process with this id is still running.
bool process_running(qint64 pid);

} // namespace kvr::os
