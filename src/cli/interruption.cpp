#include "cli/interruption.h"

namespace kvr::cli {

Interruption::Interruption(std::function<void(int signal)> on_signal)
    : on_signal_(std::move(on_signal)) {
    requests_ = std::make_unique<os::StopRequests>([this](int signal) {
        if (signal_ == 0) signal_ = signal;
        on_signal_(signal);
    });
}

Interruption::~Interruption() = default;

} // namespace kvr::cli
