#pragma once

// The .kcf configuration file: one line of 52 comma-separated fields.
// Standard C++ only, so the simulator and command-line tools can share it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "configuration/configuration.h"

namespace kvr {

// A file is accepted only when its first field equals this, character for character.
inline constexpr std::string_view model_tag = "07-04410-MDL or 07-04411-MDL";

inline constexpr std::size_t configuration_field_count = 52;

// A text field and the number field that follows it in the file.
struct TextAndNumber {
    std::string text;
    std::int16_t number = 0;

    bool operator==(const TextAndNumber&) const = default;
};

// The 52 fields. Texts hold the file's bytes unchanged (Windows-1252).
struct ConfigurationRecord {
    std::string model;
    std::string panel_name;
    // SW1..SW10 and LED1..LED10 with designation and assignment code, then the
    // backlighting and the dimming function with their label and assignment code.
    std::array<TextAndNumber, 22> functions;
    // The intensity codes with their labels, in file order.
    TextAndNumber indicator_intensity;
    TextAndNumber backlighting_intensity;
    TextAndNumber dimmed_intensity;

    bool operator==(const ConfigurationRecord&) const = default;
};

struct ReadFailure {
    enum class Reason { ended_early, number_out_of_range };
    Reason reason;
    std::size_t field; // 1-based number of the field that could not be read

    bool operator==(const ReadFailure&) const = default;
};

using ReadResult = std::variant<ConfigurationRecord, ReadFailure>;

// Reads the first 52 fields of a file's contents; whatever follows them is ignored.
// Never throws on malformed input.
ReadResult read_configuration(std::string_view bytes);

// The complete file contents, line end included; nullopt when a text holds a double
// quote: the file has no way to write one so that it reads back.
std::optional<std::string> write_configuration(const ConfigurationRecord& record);

// The configuration a record holds (its texts as they stand), and the record that saves a
// configuration, with the model tag and the fixed captions before the lighting values.
Configuration configuration_of(const ConfigurationRecord& record);
ConfigurationRecord record_of(const Configuration& configuration);

} // namespace kvr
