#pragma once
// What the numbers of a configuration mean: assignment codes (module and channel) and
// intensity codes (percent), the entries of the lists that choose them, and the value each
// code is programmed as. Standard C++ only.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvr {

// Assignment code: module value (A = 0 .. P = 150, "N/A" = 160) plus channel value (0..9).
inline constexpr int16_t kNotAssigned = 160;
inline constexpr int16_t kLastAssignment = 159;
// A module chosen without a channel: what a file holds for a selection left incomplete.
inline constexpr int16_t kNoChannel = -1;

// Whether a code drives a module and channel of the control system; N/A, a module left
// without a channel and a code the lists do not have drive none.
inline constexpr bool drives_channel(int16_t code) {
    return code >= 0 && code <= kLastAssignment;
}

// Intensity codes are 10, 7, 6, .., 1 for 100 %, 90 %, .., 30 %.
inline constexpr int16_t kFullIntensity = 10;

// The entries of the module, channel and intensity lists: a text and the value it stands for.
enum class ListContents { None, Module, Channel, Intensity };
struct ListEntry {
    const char* text;
    int value;
};
const std::vector<ListEntry>& list_entries(ListContents contents);

// Result of turning an assignment code back into list positions.
struct CodeSplit {
    int16_t A;
    int16_t m_index;
    int16_t c_index;
};

// Module list position (0 = "N/A", 1..16 = A..P) and channel list position for the
// code in A. Codes of 160 and above give m_index 0 and leave A and c_index as they were,
// so the caller passes the c_index left by the previous split.
CodeSplit split_code(int16_t A, int16_t c_index);

// Intensity list position for an intensity code, or nothing when the code is not one.
std::optional<int> intensity_position(int16_t code);

// The value a code is programmed as: every code of 160 or more means "N/A" and is
// written as 160; an intensity code that no list entry has means 100 %.
int16_t programmed_assignment(int16_t code);
int16_t programmed_intensity(int16_t code);

// Whether a panel or a file holding this code holds exactly what the program writes.
bool is_programmed_assignment(int16_t code);
bool is_programmed_intensity(int16_t code);

// The module letter ("A".."P"; empty for N/A) and the channel (1..10; nothing when not
// assigned or when the channel was left unchosen).
struct Assignment {
    std::string module;
    std::optional<int> channel;
};
Assignment assignment_of(int16_t code);

// "C-4", "N/A" or "A, no channel" for the codes a list can show; "code 200" for one that
// the program never writes. The one notation of a module and channel in every text.
std::string assignment_text(int16_t code);
// 100, 90, .. 30: the percent the lists show for a code (100 for a code they have not).
int intensity_percent(int16_t code);
// "90 %", or "code 0" for a code that the program never writes.
std::string intensity_text(int16_t code);

} // namespace kvr
