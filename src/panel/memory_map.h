// The panel locations the program uses, in address order: one table that the read and
// the write operations both walk. Standard C++ only.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "configuration/configuration.h"

namespace kvr {

enum class LocationKind : std::uint8_t {
    assignment, // assignment code of one of the 22 functions
    intensity,  // intensity code of one of the three lighting intensities
    model_code, // identifies the kind of panel; read, never written
};

struct Location {
    std::uint8_t number;
    LocationKind kind;
    int function;        // index in kFunctions for an assignment, -1 otherwise
    Intensity intensity; // meaningful for an intensity location only
    std::string_view holds;
};

inline constexpr std::array<Location, 26> memory_map{{
    {0, LocationKind::assignment, 0, {}, "SW1 assignment"},
    {1, LocationKind::assignment, 1, {}, "SW2 assignment"},
    {2, LocationKind::assignment, 2, {}, "SW3 assignment"},
    {3, LocationKind::assignment, 3, {}, "SW4 assignment"},
    {4, LocationKind::assignment, 4, {}, "SW5 assignment"},
    {5, LocationKind::assignment, 5, {}, "SW6 assignment"},
    {6, LocationKind::assignment, 6, {}, "SW7 assignment"},
    {7, LocationKind::assignment, 7, {}, "SW8 assignment"},
    {8, LocationKind::assignment, 8, {}, "SW9 assignment"},
    {9, LocationKind::assignment, 9, {}, "SW10 assignment"},
    {10, LocationKind::assignment, 10, {}, "LED1 assignment"},
    {11, LocationKind::assignment, 11, {}, "LED2 assignment"},
    {12, LocationKind::assignment, 12, {}, "LED3 assignment"},
    {13, LocationKind::assignment, 13, {}, "LED4 assignment"},
    {14, LocationKind::assignment, 14, {}, "LED5 assignment"},
    {15, LocationKind::assignment, 15, {}, "LED6 assignment"},
    {16, LocationKind::assignment, 16, {}, "LED7 assignment"},
    {17, LocationKind::assignment, 17, {}, "LED8 assignment"},
    {18, LocationKind::assignment, 18, {}, "LED9 assignment"},
    {19, LocationKind::assignment, 19, {}, "LED10 assignment"},
    {20, LocationKind::assignment, 20, {}, "backlighting assignment"},
    {21, LocationKind::assignment, 21, {}, "dimming assignment"},
    {22, LocationKind::intensity, -1, Intensity::Backlighting, "backlighting normal intensity"},
    {23, LocationKind::intensity, -1, Intensity::Indicator, "LED indicator normal intensity"},
    {24, LocationKind::intensity, -1, Intensity::Dimmed, "dimmed indicator intensity"},
    {63, LocationKind::model_code, -1, {}, "model code"},
}};

inline constexpr std::uint8_t model_code_location = 63;
inline constexpr std::array<std::int16_t, 2> accepted_model_codes{70, 79};

// Every value from 0 to 160 (the code of a function that is not assigned) reads back
// in range; anything else fails the read.
inline constexpr std::int16_t read_minimum = 0;
inline constexpr std::int16_t read_maximum = 160;

// Locations 0..24, the ones written and read back, in the order both operations use.
std::span<const Location> configuration_locations();
// The entry of a location, or nullptr for one the program never addresses.
const Location* find_location(int number);

// The 25 values of locations 0..24, as written or as read.
using PanelValues = std::array<std::int16_t, 25>;
// The value a configuration puts at a location, taken as it stands (as_programmed gives
// what a write sends).
std::int16_t value_at(const Configuration& configuration, const Location& location);
// The configuration a panel's values hold, with no texts: the panel keeps none.
Configuration configuration_in(const PanelValues& values);
// The numbers of the locations, in order, where a panel holds something else than a write of
// programmed would leave there: the places a comparison with a panel counts.
std::vector<int> locations_differing(const Configuration& programmed, const PanelValues& held);

constexpr bool is_accepted_model(std::int16_t code) {
    return code == accepted_model_codes[0] || code == accepted_model_codes[1];
}
constexpr bool in_read_range(std::int16_t value) {
    return value >= read_minimum && value <= read_maximum;
}

} // namespace kvr
