#include "cli/interruption.h"

namespace kvr::cli {

namespace {

Interruption* living = nullptr;

} // namespace

Interruption::Interruption(std::function<void(int signal)> on_signal)
    : on_signal_(std::move(on_signal)) {
    requests_ = std::make_unique<os::StopRequests>([this](int signal) {
        if (signal_ == 0) signal_ = signal;
        if (on_signal_) on_signal_(signal);
    });
    living = this;
}

Interruption* Interruption::current() {
    return living;
}

Interruption::~Interruption() {
    living = nullptr;
}

SignalTarget::SignalTarget(std::function<void(int signal)> on_signal)
    : interruption_(Interruption::current() ? Interruption::current() : &own_.emplace()) {
    interruption_->on_signal(std::move(on_signal));
}

SignalTarget::~SignalTarget() {
    interruption_->on_signal({});
}

} // namespace kvr::cli
