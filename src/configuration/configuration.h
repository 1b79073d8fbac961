#pragma once
// A configuration as a value: what a file holds, what the window shows and what a panel is
// programmed with, and the rules that turn one into the next. The window, the file unit,
// kvr-panel and the sheet all go through here, so they can never disagree about what a
// configuration means.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "configuration/codes.h"
#include "configuration/functions.h"

namespace kvr {

// The three intensity codes, indexed by Intensity.
struct IntensityCodes {
    std::array<int16_t, 3> codes{kFullIntensity, kFullIntensity, kFullIntensity};

    int16_t& operator[](Intensity which) { return codes[static_cast<std::size_t>(which)]; }
    int16_t operator[](Intensity which) const { return codes[static_cast<std::size_t>(which)]; }
    bool operator==(const IntensityCodes&) const = default;
};

// The rule between two intensities: the normal indicator must not be dimmer than the
// normal backlighting. A breach lowers the backlighting to the indicator's setting.
inline constexpr const char* kIntensityRuleMessage =
    "NORMAL INDICATOR INTENSITY must be set equal to\n"
    "or greater than NORMAL BACKLIGHTING INTENSITY.";

bool breaks_intensity_rule(const IntensityCodes& codes);

// The intensities as they are programmed: a code that names no intensity first becomes
// 100 %, then the rule is kept, so codes that mean 100 % are never judged by their raw value.
struct SettledIntensities {
    IntensityCodes codes;
    bool backlighting_lowered = false;
};
SettledIntensities settle_intensities(const IntensityCodes& raw);

struct Configuration {
    // Texts as a file carries them: Windows-1252 bytes.
    std::string panel_name;
    std::array<std::string, 2 * kSwitchCount> designations;
    // Assignment codes in the order of kFunctions; kNoChannel where a module was chosen
    // without a channel.
    std::array<int16_t, kFunctionCount> codes{};
    IntensityCodes intensities;

    bool operator==(const Configuration&) const = default;
};

// What a panel is programmed with for this configuration, and whether the intensity rule
// lowered the backlighting on the way.
struct ProgrammedConfiguration {
    Configuration configuration;
    bool backlighting_lowered = false;
};
ProgrammedConfiguration as_programmed(const Configuration& configuration);

// The error_flag of a selection left incomplete (1 for a switch, 2 for an LED, the
// backlighting or the dimming), or nothing when every selection is complete.
std::optional<int16_t> incomplete_selection(const Configuration& configuration);

} // namespace kvr
