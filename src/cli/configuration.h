#pragma once
// A configuration as kvr-panel handles it: the file's record, read from a file or built
// from a panel's 25 locations, and what each value means, the way the window turns it
// into list selections and back into the values it writes.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "editor/functions.h"
#include "files/configuration_file.h"
#include "panel/memory_map.h"

namespace kvr::cli {

// The three intensities in the order of Intensity, each with its pair in the record, the
// window's label whose caption a saved file carries before it, and its names here.
struct IntensityField {
    Intensity which;
    TextAndNumber ConfigurationRecord::*field;
    const char* caption_label;
    const char* title; // in tables and differences
    const char* key;   // in JSON
};
extern const std::array<IntensityField, 3> intensity_fields;

const TextAndNumber& intensity_pair(const ConfigurationRecord& record, Intensity which);

// What the window makes of a code: any code of 160 or more is "N/A" and written as 160;
// an intensity code it has no entry for is shown and written as 100 %.
std::int16_t effective_assignment(std::int16_t code);
std::int16_t effective_intensity(std::int16_t code);

// The module letter ("A".."P", or empty for N/A) and the channel (1..10, or nullopt when
// not assigned or when the file leaves the channel unchosen).
struct Assignment {
    QString module;
    std::optional<int> channel;
};
Assignment assignment(std::int16_t code);
// "C 4", "N/A", or "A, no channel".
QString describe_assignment(std::int16_t code);
// 100, 90, .. 30.
int intensity_percent(std::int16_t code);

// The values a write sends, location by location, as the window sends them after opening
// the file.
std::int16_t value_to_write(const ConfigurationRecord& record, const Location& location);

// The window's refusal of a write when a function has a module but no channel (a code of
// -1 in the file); nullopt when every selection is complete.
std::optional<QString> incomplete_selection(const ConfigurationRecord& record);

// The configuration a panel holds, as the window saves it after reading it: texts empty,
// the fixed captions before the lighting values, intensities the lists can show.
using PanelValues = std::array<std::int16_t, 25>;
ConfigurationRecord record_from_panel(const PanelValues& values, const std::string& panel_name);

} // namespace kvr::cli
