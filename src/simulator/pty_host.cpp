#include "simulator/pty_host.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace kvr::sim {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string slave_name(int master) {
    char name[128];
    if (::ptsname_r(master, name, sizeof name) != 0) fail("ptsname_r");
    return name;
}

} // namespace

PtyHost::PtyHost(const PanelSettings& settings, Observer observer)
    : engine_(settings, Clock::now()), observer_(std::move(observer)) {
    try {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0) fail("posix_openpt");
        if (::grantpt(master_) != 0) fail("grantpt");
        if (::unlockpt(master_) != 0) fail("unlockpt");
        slave_path_ = slave_name(master_);

        // Raw 9600 8N1 from the start, so nothing is echoed or translated before the
        // client sets its own line settings.
        termios tio{};
        if (::tcgetattr(master_, &tio) != 0) fail("tcgetattr");
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        if (::tcsetattr(master_, TCSANOW, &tio) != 0) fail("tcsetattr");

        // Without any open slave the master reports a hang-up on every poll; holding one
        // keeps the line quiet between the client's opens.
        slave_keepalive_ = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_keepalive_ < 0) fail("open pseudo-terminal slave");

        if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) fail("fcntl");
        int pipe_fds[2];
        if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) fail("pipe2");
        wake_read_ = pipe_fds[0];
        wake_write_ = pipe_fds[1];

        started_ = Clock::now();
        thread_ = std::thread(&PtyHost::run, this);
    } catch (...) {
        close_fd(master_);
        close_fd(slave_keepalive_);
        close_fd(wake_read_);
        close_fd(wake_write_);
        throw;
    }
}

PtyHost::~PtyHost() {
    stop();
}

void PtyHost::stop() {
    if (thread_.joinable()) {
        const char byte = 0;
        while (::write(wake_write_, &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    close_fd(master_);
    close_fd(slave_keepalive_);
    close_fd(wake_read_);
    close_fd(wake_write_);
    changed_.notify_all();
}

void PtyHost::run() {
    for (;;) {
        int timeout_ms = -1;
        if (master_ >= 0) { // once the line is gone nothing more can be sent
            std::lock_guard lock(mutex_);
            if (const auto due = engine_.next_due()) {
                const auto left = *due - Clock::now();
                // Rounded up: a reply may leave late, never early.
                timeout_ms = left <= Clock::duration::zero()
                                 ? 0
                                 : static_cast<int>(
                                       std::chrono::ceil<std::chrono::milliseconds>(left).count());
            }
        }
        pollfd fds[2] = {{wake_read_, POLLIN, 0}, {master_, POLLIN, 0}};
        const nfds_t count = master_ >= 0 ? 2 : 1;
        if (::poll(fds, count, timeout_ms) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;
        if (count == 2 && fds[1].revents != 0) serve_input(Clock::now());
        send_due(Clock::now());
    }
}

void PtyHost::serve_input(Timestamp now) {
    std::string received;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break;
        // The line is gone; stop serving it rather than poll a dead descriptor.
        hang_up();
        break;
    }
    if (received.empty()) return;
    std::size_t from;
    {
        std::lock_guard lock(mutex_);
        from = engine_.transcript_count();
        engine_.receive(received, now);
    }
    publish(from);
}

void PtyHost::send_due(Timestamp now) {
    // Left queued rather than recorded as sent when they cannot be.
    if (master_ < 0) return;
    std::vector<Output> outputs;
    std::size_t from;
    {
        std::lock_guard lock(mutex_);
        from = engine_.transcript_count();
        outputs = engine_.take_due(now);
    }
    if (outputs.empty()) return;
    for (const Output& out : outputs) {
        // Each reply goes out in one write, so the client receives it in one piece.
        if (master_ >= 0 && !out.bytes.empty() && !write_all(out.bytes)) break;
        if (out.hang_up) hang_up();
    }
    publish(from);
}

bool PtyHost::write_all(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        // The client is not reading; wait for room or for stop().
        pollfd fds[2] = {{wake_read_, POLLIN, 0}, {master_, POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return false;
        if (fds[0].revents != 0) return false;
    }
    return true;
}

void PtyHost::hang_up() {
    // Closing the master discards what the client has not read yet, so the replies sent
    // before the hang-up are first given time to be taken: until the slave's input queue
    // is empty, checked every few milliseconds for at most a second, or until stop().
    if (slave_keepalive_ >= 0) {
        for (int waited = 0; waited < 1000; waited += 5) {
            pollfd wake{wake_read_, POLLIN, 0};
            if (::poll(&wake, 1, 5) != 0) break;
            int queued = 0;
            if (::ioctl(slave_keepalive_, TIOCINQ, &queued) != 0 || queued == 0) break;
        }
    }
    std::lock_guard lock(mutex_);
    close_fd(master_);
    close_fd(slave_keepalive_);
}

void PtyHost::publish(std::size_t from) {
    std::vector<TranscriptEntry> added;
    {
        std::lock_guard lock(mutex_);
        const auto& kept = engine_.transcript();
        const std::size_t count = std::min(engine_.transcript_count() - from, kept.size());
        added.assign(kept.end() - static_cast<std::ptrdiff_t>(count), kept.end());
    }
    changed_.notify_all();
    if (observer_)
        for (const TranscriptEntry& e : added)
            observer_(e);
}

bool PtyHost::hung_up() const {
    std::lock_guard lock(mutex_);
    return engine_.hung_up();
}

std::vector<TranscriptEntry> PtyHost::transcript() const {
    std::lock_guard lock(mutex_);
    const auto& kept = engine_.transcript();
    return {kept.begin(), kept.end()};
}

bool PtyHost::wait_for_transcript(std::size_t entries, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return engine_.transcript_count() >= entries; });
}

std::array<std::uint8_t, location_count> PtyHost::locations() const {
    std::lock_guard lock(mutex_);
    return engine_.locations();
}

std::uint8_t PtyHost::location(int number) const {
    std::lock_guard lock(mutex_);
    return engine_.location(number);
}

void PtyHost::set_location(int number, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    engine_.set_location(number, value);
}

} // namespace kvr::sim
