#include "panel/memory_map.h"

#include <algorithm>

namespace kvr {

namespace {

constexpr bool table_is_consistent() {
    for (std::size_t i = 0; i + 1 < memory_map.size(); ++i) {
        const Location& l = memory_map[i];
        if (l.number != i) return false;
        if ((l.kind == LocationKind::assignment) != (l.function == static_cast<int>(i)))
            return false;
    }
    return memory_map.back().number == model_code_location &&
           memory_map.back().kind == LocationKind::model_code;
}
static_assert(table_is_consistent(), "locations 0..24 in order, each function at its index");

} // namespace

std::span<const Location> configuration_locations() {
    return std::span<const Location>(memory_map).first(memory_map.size() - 1);
}

const Location* find_location(int number) {
    const auto it = std::find_if(memory_map.begin(), memory_map.end(),
                                 [number](const Location& l) { return l.number == number; });
    return it == memory_map.end() ? nullptr : &*it;
}

std::int16_t value_at(const Configuration& configuration, const Location& location) {
    if (location.kind == LocationKind::assignment) return configuration.codes[location.function];
    return configuration.intensities[location.intensity];
}

Configuration configuration_in(const PanelValues& values) {
    Configuration configuration;
    for (const Location& location : configuration_locations()) {
        if (location.kind == LocationKind::assignment)
            configuration.codes[location.function] = values[location.number];
        else
            configuration.intensities[location.intensity] = values[location.number];
    }
    return configuration;
}

std::vector<int> locations_differing(const Configuration& programmed, const PanelValues& held) {
    std::vector<int> differing;
    for (const Location& location : configuration_locations())
        if (held[location.number] != value_at(programmed, location))
            differing.push_back(location.number);
    return differing;
}

} // namespace kvr
