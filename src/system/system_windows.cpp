// The Windows side of the seam to the operating system: the console's screen buffer and
// its control handler, and files through Qt.
#include "system/system.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <io.h>
#include <mutex>
#include <stdexcept>
#include <windows.h>

namespace kvr::os {

namespace {

HANDLE console_of(std::FILE* stream) {
    if (_isatty(_fileno(stream)) == 0) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

} // namespace

// ---- The terminal ----

bool is_live_terminal(std::FILE* stream) {
    const HANDLE console = console_of(stream);
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    // Consoles before Windows 10 take no escapes; they get no live lines.
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int terminal_columns(std::FILE* stream) {
    const HANDLE console = console_of(stream);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (console == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(console, &info)) return 80;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? columns : 80;
}

// ---- Ctrl-C and termination ----

// The control handler runs on a thread of its own that Windows starts for each event; it
// queues the request on the loop of the thread that made the StopRequests.
struct StopRequests::Watch {
    std::function<void(int)> on_request;
    QPointer<QObject> loop_object; // lives on that thread
    HANDLE ended = nullptr;        // set when the StopRequests ends
};

namespace {

std::mutex watch_mutex;
StopRequests::Watch* current = nullptr;

BOOL WINAPI take_control_event(DWORD event) {
    const bool closing =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    const int signal = closing ? terminate_signal : interrupt_signal;
    HANDLE ended = nullptr;
    {
        const std::lock_guard lock(watch_mutex);
        if (!current || !current->loop_object) return FALSE; // the default: end the process
        StopRequests::Watch* watch = current;
        QMetaObject::invokeMethod(
            watch->loop_object.data(),
            [signal] {
                std::function<void(int)> request;
                {
                    const std::lock_guard inner(watch_mutex);
                    if (current) request = current->on_request;
                }
                if (request) request(signal);
            },
            Qt::QueuedConnection);
        ended = watch->ended;
    }
    // Windows ends the process once the handler of a closing console returns: the panels
    // get the few seconds it allows to stop between two transactions.
    if (closing && ended) WaitForSingleObject(ended, 4500);
    return TRUE;
}

} // namespace

StopRequests::StopRequests(std::function<void(int signal)> on_request)
    : watch_(std::make_unique<Watch>()) {
    watch_->on_request = std::move(on_request);
    watch_->loop_object = QCoreApplication::instance();
    watch_->ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        const std::lock_guard lock(watch_mutex);
        current = watch_.get();
    }
    if (!SetConsoleCtrlHandler(take_control_event, TRUE))
        throw std::runtime_error("no console control handler");
}

StopRequests::~StopRequests() {
    SetConsoleCtrlHandler(take_control_event, FALSE);
    {
        const std::lock_guard lock(watch_mutex);
        current = nullptr;
    }
    if (watch_->ended) {
        SetEvent(watch_->ended);
        CloseHandle(watch_->ended);
    }
}

QString signal_name(int signal) {
    if (signal == interrupt_signal) return QStringLiteral("SIGINT");
    if (signal == terminate_signal) return QStringLiteral("SIGTERM");
    return QStringLiteral("SIG%1").arg(signal);
}

void outlive_closed_pipes() {}

// ---- Files ----

QString open_without_waiting(QFile& file, const QString& path) {
    // A named pipe on Windows is opened by its server's name and never waited for here.
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return file.errorString();
    return {};
}

std::optional<QString> open_regular_file(QFile& file, const QString& not_regular) {
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    if (file.isSequential()) {
        file.close();
        return not_regular;
    }
    return std::nullopt;
}

QString file_identity(const QString& path) {
    // A device (COM3, \\.\COM3) by its name, whatever the case.
    const QString name = QDir::toNativeSeparators(path);
    if (!name.contains(u'\\') && !name.contains(u':') && !QFileInfo::exists(path))
        return QStringLiteral("c") + name.toUpper();
    if (name.startsWith(QLatin1String("\\\\.\\")))
        return QStringLiteral("c") + name.mid(4).toUpper();
    // A file by its volume and index, as the system knows it under any name.
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(name.utf16()), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toLower();
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) return QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toLower();
    const quint64 index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return QStringLiteral("i%1:%2").arg(info.dwVolumeSerialNumber).arg(index);
}

bool may_create_in(const QString& folder) {
    return QFileInfo(folder).isWritable();
}

qsizetype longest_file_name(const QString& folder) {
    Q_UNUSED(folder);
    return 255; // NTFS, FAT32 and exFAT alike
}

// ---- Serial devices ----

QString access_group_needed(const QString& device) {
    Q_UNUSED(device); // a COM port is denied only when another program has it open
    return {};
}

// ---- The shipped simulator ----

QString simulator_registry_folder() {
    return {}; // kvr-panel-sim is not built for Windows
}

bool process_running(qint64 pid) {
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process) return false;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

} // namespace kvr::os
