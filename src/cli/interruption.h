#pragma once
// Ctrl-C (SIGINT) and SIGTERM, taken into the event loop while an Interruption lives: the
// handler only writes the signal's number into a pipe, and a socket notifier on its other
// end calls back on the loop, where stopping the panels is safe. One at a time. Once the
// loop has ended a signal waits in the pipe unheard, so an Interruption that is kept until
// the results are printed and logged lets no signal end the program before they are.

#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

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
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_int_ {};
    struct sigaction previous_term_ {};
    int signal_ = 0;
};

} // namespace kvr::cli
