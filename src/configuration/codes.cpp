#include "configuration/codes.h"

#include <algorithm>

namespace kvr {

const std::vector<ListEntry>& list_entries(ListContents contents) {
    static const std::vector<ListEntry> modules = {
        {"N/A", 160}, {"A", 0},   {"B", 10},  {"C", 20},  {"D", 30},  {"E", 40},
        {"F", 50},    {"G", 60},  {"H", 70},  {"I", 80},  {"J", 90},  {"K", 100},
        {"L", 110},   {"M", 120}, {"N", 130}, {"O", 140}, {"P", 150},
    };
    static const std::vector<ListEntry> channels = {
        {"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}, {"5", 4},
        {"6", 5}, {"7", 6}, {"8", 7}, {"9", 8}, {"10", 9},
    };
    static const std::vector<ListEntry> intensities = {
        {"100", 10}, {"90", 7}, {"80", 6}, {"70", 5}, {"60", 4}, {"50", 3}, {"40", 2}, {"30", 1},
    };
    static const std::vector<ListEntry> none;
    switch (contents) {
    case ListContents::Module:
        return modules;
    case ListContents::Channel:
        return channels;
    case ListContents::Intensity:
        return intensities;
    case ListContents::None:
        break;
    }
    return none;
}

CodeSplit split_code(int16_t A, int16_t c_index) {
    int16_t m_index = 1;
    if (A > kLastAssignment) return {A, 0, c_index};
    if (A < 10) return {A, m_index, A};
    do {
        A = static_cast<int16_t>(A - 10);
        ++m_index;
        c_index = A;
    } while (A >= 10);
    return {A, m_index, c_index};
}

std::optional<int> intensity_position(int16_t code) {
    if (code >= 1 && code <= 7) return 8 - code;
    if (code == kFullIntensity) return 0;
    return std::nullopt;
}

int16_t programmed_assignment(int16_t code) {
    return std::min(code, kNotAssigned);
}

int16_t programmed_intensity(int16_t code) {
    return intensity_position(code) ? code : kFullIntensity;
}

bool is_programmed_assignment(int16_t code) {
    return code >= 0 && code <= kNotAssigned;
}

bool is_programmed_intensity(int16_t code) {
    return intensity_position(code).has_value();
}

Assignment assignment_of(int16_t code) {
    // The channel carried into the split is out of every list, so a code that the split
    // leaves without a channel shows as such.
    const CodeSplit split = split_code(code, kNoChannel);
    if (split.m_index == 0) return {};
    const auto& channels = list_entries(ListContents::Channel);
    Assignment result{list_entries(ListContents::Module)[split.m_index].text, std::nullopt};
    if (split.c_index >= 0 && split.c_index < static_cast<int>(channels.size()))
        result.channel = split.c_index + 1;
    return result;
}

std::string assignment_text(int16_t code) {
    if (code < kNoChannel || code > kNotAssigned) return "code " + std::to_string(code);
    const Assignment a = assignment_of(code);
    if (a.module.empty()) return list_entries(ListContents::Module)[0].text;
    if (!a.channel) return a.module + ", no channel";
    return a.module + '-' + std::to_string(*a.channel);
}

int intensity_percent(int16_t code) {
    return std::stoi(
        list_entries(ListContents::Intensity)[*intensity_position(programmed_intensity(code))].text);
}

std::string intensity_text(int16_t code) {
    if (!is_programmed_intensity(code)) return "code " + std::to_string(code);
    return std::to_string(intensity_percent(code)) + " %";
}

} // namespace kvr
