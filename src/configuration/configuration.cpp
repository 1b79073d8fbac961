#include "configuration/configuration.h"

#include <algorithm>

namespace kvr {

bool breaks_intensity_rule(const IntensityCodes& codes) {
    return codes[Intensity::Indicator] < codes[Intensity::Backlighting];
}

SettledIntensities settle_intensities(const IntensityCodes& raw) {
    SettledIntensities settled;
    std::ranges::transform(raw.codes, settled.codes.codes.begin(), programmed_intensity);
    settled.backlighting_lowered = breaks_intensity_rule(settled.codes);
    if (settled.backlighting_lowered)
        settled.codes[Intensity::Backlighting] = settled.codes[Intensity::Indicator];
    return settled;
}

ProgrammedConfiguration as_programmed(const Configuration& configuration) {
    ProgrammedConfiguration result{configuration};
    std::ranges::transform(configuration.codes, result.configuration.codes.begin(),
                           programmed_assignment);
    const SettledIntensities settled = settle_intensities(configuration.intensities);
    result.configuration.intensities = settled.codes;
    result.backlighting_lowered = settled.backlighting_lowered;
    return result;
}

std::optional<int16_t> incomplete_selection(const Configuration& configuration) {
    for (int f = 0; f < kFunctionCount; ++f)
        if (configuration.codes[f] < 0) return kFunctions[f].incomplete_error;
    return std::nullopt;
}

} // namespace kvr
