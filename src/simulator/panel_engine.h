// The simulated switch panel's side of the serial protocol, as a state machine that is fed
// received bytes and the time, and hands back the replies that are due. Standard C++ only:
// a host moves the bytes (PtyHost over a pseudo-terminal, or a test directly).
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kvr::sim {

using Clock = std::chrono::steady_clock;
using Timestamp = Clock::time_point;

inline constexpr int location_count = 64;
// What a misbehaving panel sends where nothing belongs: not a digit, not blank, so a reply
// it lands in front of no longer starts with a number.
inline constexpr char junk_character = 'X';
// The transcript keeps only this many of its latest entries, so that a panel left running
// (or chattering with nobody on the line) stays the same size; plenty for any one session.
inline constexpr std::size_t transcript_limit = 4096;

// Ways to make the panel misbehave. Every field's default is the healthy panel; several
// faults can be set at once. Location sets name panel locations 0..63.
struct Faults {
    bool silent = false;                     // never answers (and stores nothing)
    int answer_attention_only = 0;           // answers only a handshake's k-th "A"; 0 = every one
    std::set<int> no_write_ack;              // a write here is neither stored nor acknowledged
    std::set<int> ack_extra_char;            // a write here is acknowledged "D000D" + CR
    std::set<int> short_read;                // a read here answers only its first 3 characters
    std::set<int> read_differs;              // a read here reports one more than is stored
    std::map<int, std::string> raw_read;     // a read here answers exactly this text
    std::chrono::milliseconds reply_delay{}; // every reply leaves this much later
    int hang_up_after = 0;                   // the line drops after this many commands; 0 = never
    std::string attention_noise;             // sent just before every attention reply
    // Attention replies leave this much later still: a panel slow to wake.
    std::chrono::milliseconds attention_delay{};
    // A reply torn apart: its last split_tail characters leave split_delay after the rest
    // (replies no longer than that leave whole). Only replies to reads and writes at
    // split_at and, with split_attention, attention replies; every reply when neither is set.
    std::chrono::milliseconds split_delay{}; // 0 = replies leave whole
    std::size_t split_tail = 1;
    std::set<int> split_at;
    bool split_attention = false;
    std::map<int, std::size_t> pad_read; // a read here is answered with this many junk
                                         // characters after its carriage return
    // A junk character leaves this often, whatever else goes on; the first one this long
    // after the panel is switched on. 0 = never.
    std::chrono::milliseconds chatter_interval{};
    // A panel taken out of its fixture and another put in, again and again: after every
    // unplug_after-th command it answers nothing for unplugged_for, then answers as a new
    // panel (the locations as they started, the handshake counted afresh). 0 = never.
    int unplug_after = 0;
    std::chrono::milliseconds unplugged_for{};
};

struct PanelSettings {
    std::uint8_t model_code = 70;
    std::uint8_t assignment_value = 160;        // locations 0..21
    std::uint8_t intensity_value = 10;          // locations 22..24
    std::map<int, std::uint8_t> initial_values; // set last, over the defaults above
    Faults faults;
};

enum class Direction : std::uint8_t {
    received, // one framed command
    sent,     // one reply, as written to the line
    skipped,  // received bytes that framed no command
};

struct TranscriptEntry {
    Timestamp time;
    Direction direction;
    std::string bytes;
    bool operator==(const TranscriptEntry&) const = default;
};

// Something the host must do now: write these bytes, then hang up if asked.
struct Output {
    std::string bytes;
    bool hang_up = false;
};

class PanelEngine {
  public:
    // `switched_on` is when the panel starts to chatter from, if it does.
    explicit PanelEngine(const PanelSettings& settings = {}, Timestamp switched_on = {});

    // Takes bytes received at `now`; every command they complete is recorded and its
    // reply queued, due at `now` plus the reply delay; it leaves no earlier than the
    // outputs queued before it.
    void receive(std::string_view bytes, Timestamp now);

    // When the earliest queued output falls due, if any.
    std::optional<Timestamp> next_due() const;
    // Removes and returns every output due at `now`, in the order they leave, recording
    // the replies as sent at `now`. At most one chatter character per call: a late call
    // does not catch up on the ones it missed.
    std::vector<Output> take_due(Timestamp now);

    // True once the hang-up has been handed out; nothing is received after that.
    bool hung_up() const { return hung_up_; }
    std::size_t commands_received() const { return commands_; }

    std::uint8_t location(int number) const {
        return locations_.at(static_cast<std::size_t>(number));
    }
    void set_location(int number, std::uint8_t value) {
        locations_.at(static_cast<std::size_t>(number)) = value;
    }
    const std::array<std::uint8_t, location_count>& locations() const { return locations_; }
    // The latest transcript_limit entries, oldest first.
    const std::deque<TranscriptEntry>& transcript() const { return transcript_; }
    // How many entries were ever recorded, the dropped ones included.
    std::size_t transcript_count() const { return recorded_; }

  private:
    enum class Frame { complete, incomplete, invalid };
    Frame frame(std::string_view pattern) const;
    void handle_command(std::string_view command, Timestamp now);
    bool plugged_in(Timestamp now);
    std::optional<std::string> answer(std::string_view command);
    std::optional<std::string> answer_write(int location, std::uint8_t value);
    std::string read_reply(int location) const;
    void queue_reply(std::string reply, std::optional<int> location, Timestamp now);
    void hand_out(Output output, Timestamp now, std::vector<Output>& due);
    void record(Direction direction, std::string_view bytes, Timestamp now);

    Faults faults_;
    std::array<std::uint8_t, location_count> locations_{};
    std::array<std::uint8_t, location_count> first_locations_{}; // as a new panel holds them
    std::string pending_input_;
    struct Pending {
        Timestamp due;
        Output output;
    };
    // First in, first out, whatever the due times: the line sends in order, so an output
    // due early waits for the ones ahead of it (a reply behind a split reply's tail).
    std::deque<Pending> queue_;
    std::optional<Timestamp> chatter_due_;
    std::deque<TranscriptEntry> transcript_;
    std::size_t recorded_ = 0;
    std::size_t commands_ = 0;
    int attentions_ = 0;
    int plugged_commands_ = 0;                 // since the panel was last put in
    std::optional<Timestamp> unplugged_until_; // while it is out of the fixture
    bool hang_up_queued_ = false;
    bool hung_up_ = false;
};

// The bytes with every unprintable one as <hh>: "V<00><05>00V".
std::string printable(std::string_view bytes);
// One transcript line: seconds since `origin`, direction, bytes ("0.100012 rx V<00><05>00V").
std::string to_text(const TranscriptEntry& entry, Timestamp origin);

} // namespace kvr::sim
