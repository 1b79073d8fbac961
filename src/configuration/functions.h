#pragma once
// The 22 configurable functions of the panel and the documented names that belong to
// each: the table is the one place that maps a function to its lists, boxes and members.
// A function's index is also its panel location.

#include <cstdint>

namespace kvr {

inline constexpr int kFunctionCount = 22;
inline constexpr int kSwitchCount = 10;
inline constexpr int kPositionCount = 10;

struct FunctionRow {
    const char* label;           // "SW1", "LED1", "BACKLIGHT", "DIMMING"
    const char* member;          // prefix of the members: "s1" gives s1, s1m, s1c, s1w
    const char* module_list;     // module list control
    const char* channel_list;    // channel list control
    const char* designation;     // designation box, or nullptr
    const char* intensity_list;  // shown and hidden with the channel list, or nullptr
    const char* intensity_label; // caption of that intensity list, or nullptr
    const char* caption_label;   // label beside the lists, saved with a file, or nullptr
    int position;                // 1..10 on the panel picture, 0 inside the lighting frame
    bool channel_handler;        // the dimming channel list has no selection handler
    bool write_is_live;          // backlighting and dimming collect into their live code
    int16_t incomplete_error;    // error_flag when the selection is incomplete
};

// clang-format off
inline constexpr FunctionRow kFunctions[kFunctionCount] = {
    {"SW1",   "s1",    "List1",  "List2",  "Text3",  nullptr, nullptr, nullptr, 1,  true, false, 1},
    {"SW2",   "s2",    "List3",  "List4",  "Text4",  nullptr, nullptr, nullptr, 2,  true, false, 1},
    {"SW3",   "s3",    "List5",  "List6",  "Text5",  nullptr, nullptr, nullptr, 3,  true, false, 1},
    {"SW4",   "s4",    "List7",  "List8",  "Text6",  nullptr, nullptr, nullptr, 4,  true, false, 1},
    {"SW5",   "s5",    "List9",  "List10", "Text7",  nullptr, nullptr, nullptr, 5,  true, false, 1},
    {"SW6",   "s6",    "List11", "List12", "Text8",  nullptr, nullptr, nullptr, 6,  true, false, 1},
    {"SW7",   "s7",    "List13", "List14", "Text9",  nullptr, nullptr, nullptr, 7,  true, false, 1},
    {"SW8",   "s8",    "List15", "List16", "Text10", nullptr, nullptr, nullptr, 8,  true, false, 1},
    {"SW9",   "s9",    "List17", "List18", "Text11", nullptr, nullptr, nullptr, 9,  true, false, 1},
    {"SW10",  "s10",   "List19", "List20", "Text12", nullptr, nullptr, nullptr, 10, true, false, 1},
    {"LED1",  "led1",  "List21", "List22", "Text13", nullptr, nullptr, nullptr, 1,  true, false, 2},
    {"LED2",  "led2",  "List23", "List24", "Text14", nullptr, nullptr, nullptr, 2,  true, false, 2},
    {"LED3",  "led3",  "List25", "List26", "Text15", nullptr, nullptr, nullptr, 3,  true, false, 2},
    {"LED4",  "led4",  "List27", "List28", "Text16", nullptr, nullptr, nullptr, 4,  true, false, 2},
    {"LED5",  "led5",  "List29", "List30", "Text17", nullptr, nullptr, nullptr, 5,  true, false, 2},
    {"LED6",  "led6",  "List31", "List32", "Text18", nullptr, nullptr, nullptr, 6,  true, false, 2},
    {"LED7",  "led7",  "List33", "List34", "Text19", nullptr, nullptr, nullptr, 7,  true, false, 2},
    {"LED8",  "led8",  "List35", "List36", "Text20", nullptr, nullptr, nullptr, 8,  true, false, 2},
    {"LED9",  "led9",  "List37", "List38", "Text21", nullptr, nullptr, nullptr, 9,  true, false, 2},
    {"LED10", "led10", "List39", "List40", "Text22", nullptr, nullptr, nullptr, 10, true, false, 2},
    {"BACKLIGHT", "bl",    "List41", "List42", nullptr, "List45", "Label15", "Label19", 0, true,  true, 2},
    {"DIMMING",   "dimch", "List43", "List44", nullptr, "List46", "Label16", "Label1", 0, false, true, 2},
};
// clang-format on

inline constexpr int kBacklighting = 20;
inline constexpr int kDimming = 21;

// The three lighting intensities, each with its own list and code.
enum class Intensity : std::uint8_t { Backlighting, Indicator, Dimmed };

inline constexpr bool is_switch(int function) {
    return function < kSwitchCount;
}

} // namespace kvr
