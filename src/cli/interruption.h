#pragma once
// Ctrl-C (SIGINT) and SIGTERM, taken into the event loop while an Interruption lives: the
// system's side (a signal handler on POSIX, the console's control handler on Windows) only
// hands the request on, and the callback runs on the loop, where stopping the panels is
// safe. One at a time.

#include <functional>
#include <memory>

#include "system/system.h"

namespace kvr::cli {

class Interruption {
  public:
    explicit Interruption(std::function<void(int signal)> on_signal);
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // The first signal taken, or 0.
    int signal() const { return signal_; }

  private:
    std::function<void(int)> on_signal_;
    std::unique_ptr<os::StopRequests> requests_;
    int signal_ = 0;
};

} // namespace kvr::cli
