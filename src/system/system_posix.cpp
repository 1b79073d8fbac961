// The POSIX side of the seam to the operating system.
#include "system/system.h"

#include "system/simulator_registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(SIGINT == kvr::os::interrupt_signal && SIGTERM == kvr::os::terminate_signal);

namespace kvr::os {

// ---- The terminal ----

bool is_live_terminal(std::FILE* stream) {
    const char* term = std::getenv("TERM");
    return isatty(fileno(stream)) == 1 && !(term && std::strcmp(term, "dumb") == 0);
}

int terminal_columns(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

// ---- Ctrl-C and termination ----

namespace {

volatile std::sig_atomic_t write_end = -1;

extern "C" void take_signal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing to do if the pipe is full: a signal is already waiting to be read.
    [[maybe_unused]] const ssize_t written = ::write(write_end, &byte, 1);
}

} // namespace

// The handler only writes the signal's number into a pipe; a socket notifier on its other
// end calls back on the loop.
struct StopRequests::Watch {
    int pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previous_int {};
    struct sigaction previous_term {};
};

StopRequests::StopRequests(std::function<void(int signal)> on_request)
    : watch_(std::make_unique<Watch>()) {
    Watch& watch = *watch_;
    if (::pipe2(watch.pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no pipe for the signals");
    write_end = watch.pipe[1];
    watch.notifier = std::make_unique<QSocketNotifier>(watch.pipe[0], QSocketNotifier::Read);
    QObject::connect(watch.notifier.get(), &QSocketNotifier::activated, watch.notifier.get(),
                     [read_end = watch.pipe[0], on_request = std::move(on_request)] {
                         unsigned char byte = 0;
                         while (::read(read_end, &byte, 1) == 1)
                             on_request(byte);
                     });
    struct sigaction action {};
    action.sa_handler = take_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &watch.previous_int);
    ::sigaction(SIGTERM, &action, &watch.previous_term);
}

StopRequests::~StopRequests() {
    Watch& watch = *watch_;
    ::sigaction(SIGINT, &watch.previous_int, nullptr);
    ::sigaction(SIGTERM, &watch.previous_term, nullptr);
    watch.notifier.reset();
    write_end = -1;
    ::close(watch.pipe[0]);
    ::close(watch.pipe[1]);
}

QString signal_name(int signal) {
    if (const char* name = sigabbrev_np(signal)) return QStringLiteral("SIG") + QLatin1String(name);
    return QStringLiteral("SIG%1").arg(signal);
}

void outlive_closed_pipes() {
    ::signal(SIGPIPE, SIG_IGN);
}

// ---- Files ----

QString open_without_waiting(QFile& file, const QString& path) {
    // Non-blocking: a FIFO with no reader fails at once (ENXIO) instead of waiting for one.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == ENXIO ? QStringLiteral("a pipe with nobody reading it")
                              : QString::fromLocal8Bit(std::strerror(errno));
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

std::optional<QString> open_regular_file(QFile& file, const QString& not_regular) {
    // Non-blocking and checked again once open, in case the path became a pipe meanwhile.
    const int fd =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return qt_error_string(errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return not_regular;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return std::nullopt;
}

QString file_identity(const QString& path) {
    struct stat node {};
    if (::stat(QFile::encodeName(path).constData(), &node) != 0)
        return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (S_ISCHR(node.st_mode)) return QStringLiteral("c%1").arg(node.st_rdev);
    return QStringLiteral("i%1:%2").arg(node.st_dev).arg(node.st_ino);
}

bool may_create_in(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

qsizetype longest_file_name(const QString& folder) {
    const long longest = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return longest > 0 ? qsizetype(longest) : 0;
}

// ---- Serial devices ----

namespace {

// The group whose members may open the device: the node's own group when it grants read
// and write, else the usual serial group.
QString serial_group(const QString& device) {
    struct stat node {};
    if (::stat(QFile::encodeName(device).constData(), &node) == 0 && node.st_gid != 0 &&
        (node.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
        if (const group* owner = ::getgrgid(node.st_gid))
            return QString::fromLocal8Bit(owner->gr_name);
    return QStringLiteral("dialout");
}

} // namespace

QString access_group_needed(const QString& device) {
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return {};
    return serial_group(device);
}

// ---- The shipped simulator ----

QString simulator_registry_folder() {
    return QString::fromStdString(
        kvr::simulator_registry_folder(std::getenv("XDG_RUNTIME_DIR"), std::to_string(::getuid())));
}

bool process_running(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace kvr::os
