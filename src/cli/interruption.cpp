#include "cli/interruption.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace kvr::cli {

namespace {

volatile std::sig_atomic_t write_end = -1;
Interruption* living = nullptr;

extern "C" void take_signal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing to do if the pipe is full: a signal is already waiting to be read.
    [[maybe_unused]] const ssize_t written = ::write(write_end, &byte, 1);
}

} // namespace

Interruption::Interruption(std::function<void(int signal)> on_signal)
    : on_signal_(std::move(on_signal)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no pipe for the signals");
    write_end = pipe_[1];
    living = this;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        unsigned char byte = 0;
        while (::read(pipe_[0], &byte, 1) == 1) {
            if (signal_ == 0) signal_ = byte;
            if (on_signal_) on_signal_(byte);
        }
    });
    struct sigaction action {};
    action.sa_handler = take_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previous_int_);
    ::sigaction(SIGTERM, &action, &previous_term_);
}

Interruption* Interruption::current() {
    return living;
}

Interruption::~Interruption() {
    ::sigaction(SIGINT, &previous_int_, nullptr);
    ::sigaction(SIGTERM, &previous_term_, nullptr);
    notifier_.reset();
    write_end = -1;
    living = nullptr;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

} // namespace kvr::cli
