#include "simulator/panel_engine.h"

#include "panel/memory_map.h"
#include "panel/protocol.h"

#include <cstdio>

namespace kvr::sim {

namespace {

// Pattern letters: '*' any byte, 'L' a location below 64, anything else itself.
constexpr std::string_view write_pattern{"S\0L\0*D", 6};
constexpr std::string_view read_pattern{"V\0L00V", 6};
static_assert(write_pattern.size() == command_size && read_pattern.size() == command_size);

bool matches(char pattern, char byte) {
    if (pattern == '*') return true;
    if (pattern == 'L') return static_cast<unsigned char>(byte) < location_count;
    return pattern == byte;
}

} // namespace

PanelEngine::PanelEngine(const PanelSettings& settings, Timestamp switched_on)
    : faults_(settings.faults) {
    if (faults_.chatter_interval > Clock::duration::zero())
        chatter_due_ = switched_on + faults_.chatter_interval;
    for (const Location& l : memory_map) {
        if (l.kind == LocationKind::assignment) locations_[l.number] = settings.assignment_value;
        if (l.kind == LocationKind::intensity) locations_[l.number] = settings.intensity_value;
    }
    locations_[model_code_location] = settings.model_code;
    for (const auto& [number, value] : settings.initial_values)
        set_location(number, value);
    first_locations_ = locations_;
}

PanelEngine::Frame PanelEngine::frame(std::string_view pattern) const {
    const std::size_t n = std::min(pattern.size(), pending_input_.size());
    for (std::size_t i = 0; i < n; ++i)
        if (!matches(pattern[i], pending_input_[i])) return Frame::invalid;
    return n == pattern.size() ? Frame::complete : Frame::incomplete;
}

void PanelEngine::receive(std::string_view bytes, Timestamp now) {
    if (hang_up_queued_) return;
    pending_input_.append(bytes);
    std::size_t skipped = 0;
    auto flush_skipped = [&] {
        if (skipped == 0) return;
        record(Direction::skipped, std::string_view(pending_input_).substr(0, skipped), now);
        pending_input_.erase(0, skipped);
        skipped = 0;
    };
    while (skipped < pending_input_.size() && !hang_up_queued_) {
        const char opcode = pending_input_[skipped];
        std::size_t length = 0;
        Frame f = Frame::invalid;
        if (opcode == attention) {
            f = Frame::complete;
            length = 1;
        } else if (opcode == write_opcode || opcode == read_opcode) {
            flush_skipped();
            f = frame(opcode == write_opcode ? write_pattern : read_pattern);
            length = command_size;
        }
        if (f == Frame::incomplete) return; // wait for the rest of the command
        if (f == Frame::invalid) {
            ++skipped;
            continue;
        }
        flush_skipped();
        const std::string command = pending_input_.substr(0, length);
        pending_input_.erase(0, length);
        handle_command(command, now);
    }
    flush_skipped();
    if (hang_up_queued_) pending_input_.clear();
}

void PanelEngine::handle_command(std::string_view command, Timestamp now) {
    record(Direction::received, command, now);
    ++commands_;
    const bool hang_up =
        faults_.hang_up_after > 0 && commands_ >= static_cast<std::size_t>(faults_.hang_up_after);
    if (!faults_.silent && plugged_in(now)) {
        if (auto reply = answer(command)) {
            std::optional<int> location;
            if (command[0] != attention) location = static_cast<unsigned char>(command[2]);
            queue_reply(*std::move(reply), location, now);
        }
    }
    if (faults_.unplug_after > 0 && !unplugged_until_ &&
        ++plugged_commands_ >= faults_.unplug_after) {
        plugged_commands_ = 0;
        unplugged_until_ = now + faults_.unplugged_for;
    }
    if (hang_up) {
        hang_up_queued_ = true;
        queue_.push_back({now + faults_.reply_delay, Output{{}, true}});
    }
}

// False while the panel is out of its fixture; the next panel put in starts afresh.
bool PanelEngine::plugged_in(Timestamp now) {
    if (!unplugged_until_) return true;
    if (now < *unplugged_until_) return false;
    unplugged_until_.reset();
    locations_ = first_locations_;
    attentions_ = 0;
    return true;
}

std::optional<std::string> PanelEngine::answer(std::string_view command) {
    if (command[0] == attention) {
        ++attentions_;
        if (faults_.answer_attention_only != 0 && faults_.answer_attention_only != attentions_)
            return std::nullopt;
        return faults_.attention_noise + std::string(acknowledgement);
    }
    attentions_ = 0; // the handshake is over: the next one counts afresh
    const int location = static_cast<unsigned char>(command[2]);
    if (command[0] == write_opcode)
        return answer_write(location, static_cast<std::uint8_t>(command[4]));
    return read_reply(location);
}

std::optional<std::string> PanelEngine::answer_write(int location, std::uint8_t value) {
    if (faults_.no_write_ack.contains(location)) return std::nullopt;
    locations_[location] = value;
    std::string ack(acknowledgement);
    if (faults_.ack_extra_char.contains(location)) ack += '\r';
    return ack;
}

std::string PanelEngine::read_reply(int location) const {
    if (const auto raw = faults_.raw_read.find(location); raw != faults_.raw_read.end())
        return raw->second;
    int value = locations_[location];
    if (faults_.read_differs.contains(location)) ++value;
    char text[16];
    std::snprintf(text, sizeof text, "%04d\r", value * 10);
    std::string reply(text);
    if (const auto pad = faults_.pad_read.find(location); pad != faults_.pad_read.end())
        reply.append(pad->second, junk_character);
    if (faults_.short_read.contains(location)) reply.resize(3);
    return reply;
}

void PanelEngine::queue_reply(std::string reply, std::optional<int> location, Timestamp now) {
    const Timestamp due =
        now + faults_.reply_delay + (location ? Clock::duration::zero() : faults_.attention_delay);
    const bool every = faults_.split_at.empty() && !faults_.split_attention;
    const bool chosen = location ? faults_.split_at.contains(*location) : faults_.split_attention;
    const bool split = faults_.split_delay > Clock::duration::zero() && faults_.split_tail > 0 &&
                       reply.size() > faults_.split_tail && (every || chosen);
    if (!split) {
        queue_.push_back({due, Output{std::move(reply)}});
        return;
    }
    const std::size_t head = reply.size() - faults_.split_tail;
    queue_.push_back({due, Output{reply.substr(0, head)}});
    queue_.push_back({due + faults_.split_delay, Output{reply.substr(head)}});
}

std::optional<Timestamp> PanelEngine::next_due() const {
    std::optional<Timestamp> due = chatter_due_;
    if (!queue_.empty() && (!due || queue_.front().due < *due)) due = queue_.front().due;
    return due;
}

std::vector<Output> PanelEngine::take_due(Timestamp now) {
    std::vector<Output> due;
    for (;;) {
        const bool reply_due = !queue_.empty() && queue_.front().due <= now;
        if (chatter_due_ && *chatter_due_ <= now &&
            (!reply_due || *chatter_due_ < queue_.front().due)) {
            chatter_due_ = now + faults_.chatter_interval;
            hand_out(Output{std::string(1, junk_character)}, now, due);
        } else if (reply_due) {
            hand_out(std::move(queue_.front().output), now, due);
            queue_.pop_front();
        } else {
            return due;
        }
    }
}

void PanelEngine::hand_out(Output output, Timestamp now, std::vector<Output>& due) {
    if (!output.bytes.empty()) record(Direction::sent, output.bytes, now);
    if (output.hang_up) {
        hung_up_ = true;
        chatter_due_.reset(); // the line is gone
    }
    due.push_back(std::move(output));
}

void PanelEngine::record(Direction direction, std::string_view bytes, Timestamp now) {
    // Skipped bytes of one chunk read together make one entry.
    if (direction == Direction::skipped && !transcript_.empty() &&
        transcript_.back().direction == Direction::skipped && transcript_.back().time == now) {
        transcript_.back().bytes.append(bytes);
        return;
    }
    transcript_.push_back({now, direction, std::string(bytes)});
    ++recorded_;
    if (transcript_.size() > transcript_limit) transcript_.pop_front();
}

std::string printable(std::string_view bytes) {
    std::string text;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f && c != '<') {
            text += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02x>", b);
            text += hex;
        }
    }
    return text;
}

std::string to_text(const TranscriptEntry& entry, Timestamp origin) {
    static constexpr const char* names[] = {"rx", "tx", "skip"};
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(entry.time - origin);
    char head[48];
    std::snprintf(
        head, sizeof head, "%lld.%06lld %s ", static_cast<long long>(us.count() / 1000000),
        static_cast<long long>(us.count() % 1000000), names[static_cast<int>(entry.direction)]);
    return head + printable(entry.bytes);
}

} // namespace kvr::sim
