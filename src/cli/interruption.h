#pragma once
// Ctrl-C (SIGINT) and SIGTERM, taken into the event loop while an Interruption lives: the
// system's side (a signal handler on POSIX, the console's control handler on Windows) only
// hands the request on, and the callback runs on the loop, where stopping the panels is
// safe. One at a time. Once the loop has ended a request waits unheard, so an Interruption
// that is kept until the results are printed and logged lets no signal end the program
// before they are.

#include <functional>
#include <memory>
#include <optional>

#include "system/system.h"

namespace kvr::cli {

class Interruption {
  public:
    explicit Interruption(std::function<void(int signal)> on_signal = {});
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // What a signal taken from now on does (nothing, when empty).
    void on_signal(std::function<void(int signal)> on_signal) { on_signal_ = std::move(on_signal); }

    // The one that lives now, if any.
    static Interruption* current();

    // The first signal taken, or 0.
    int signal() const { return signal_; }

  private:
    std::function<void(int)> on_signal_;
    std::unique_ptr<os::StopRequests> requests_;
    int signal_ = 0;
};

// Points the Interruption that lives (or one of its own, when none does) at on_signal for as
// long as it lives, and at nothing after: what stops one run's panels.
class SignalTarget {
  public:
    explicit SignalTarget(std::function<void(int signal)> on_signal);
    ~SignalTarget();
    SignalTarget(const SignalTarget&) = delete;
    SignalTarget& operator=(const SignalTarget&) = delete;

    // The first signal taken, or 0.
    int signal() const { return interruption_->signal(); }

  private:
    std::optional<Interruption> own_;
    Interruption* interruption_;
};

} // namespace kvr::cli
