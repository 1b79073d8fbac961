// Runs a PanelEngine behind a POSIX pseudo-terminal, so that the program's real serial
// port code talks to the simulated panel through a real tty. Standard C++ and POSIX only.
#pragma once

#include "simulator/panel_engine.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvr::sim {

class PtyHost {
  public:
    // Called on the host's thread for every new transcript entry, in order, without the
    // host's lock held; it must not call stop() or destroy the host. (Only a client that
    // floods the line with thousands of commands in one burst, unread, makes more entries
    // at once than the transcript keeps; the observer then sees the latest of them.)
    using Observer = std::function<void(const TranscriptEntry&)>;

    // Opens the pseudo-terminal and starts serving it at once. Throws std::system_error
    // when the pseudo-terminal or the thread cannot be had.
    explicit PtyHost(const PanelSettings& settings = {}, Observer observer = {});
    ~PtyHost(); // stops
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    // Ends the thread (joined on return) and closes the line. Safe to call again.
    void stop();

    // The device a serial port opens to reach the panel, for example "/dev/pts/3".
    const std::string& slave_path() const { return slave_path_; }
    // When serving started; transcript times are best read relative to it.
    Timestamp started() const { return started_; }

    bool hung_up() const;
    // The latest entries of the transcript (at most transcript_limit), oldest first.
    std::vector<TranscriptEntry> transcript() const;
    // Waits until at least `entries` entries have been recorded; false on time-out.
    bool wait_for_transcript(std::size_t entries, std::chrono::milliseconds timeout) const;

    std::array<std::uint8_t, location_count> locations() const;
    std::uint8_t location(int number) const;
    void set_location(int number, std::uint8_t value);

  private:
    void run();
    void serve_input(Timestamp now);
    void send_due(Timestamp now);
    bool write_all(std::string_view bytes);
    void hang_up();
    void publish(std::size_t from);

    PanelEngine engine_;
    Observer observer_;
    std::string slave_path_;
    Timestamp started_;
    int master_ = -1;
    int slave_keepalive_ = -1; // keeps the line up while no client has the slave open
    int wake_read_ = -1;
    int wake_write_ = -1;
    mutable std::mutex mutex_; // guards engine_ and the descriptors' closing
    mutable std::condition_variable changed_;
    std::thread thread_;
};

} // namespace kvr::sim
