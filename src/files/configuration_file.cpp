#include "files/configuration_file.h"

#include <charconv>

#include "configuration/texts.h"

namespace kvr {
namespace {

// Every field in file order: where it lives in the record, and by its pointer type
// whether it is a text or a number. Reading and writing both walk this.
template <typename Record> auto fields_in_file_order(Record& record) {
    using Text = decltype(&record.model);
    using Number = decltype(&record.dimmed_intensity.number);
    std::array<std::variant<Text, Number>, configuration_field_count> fields;
    auto next = fields.begin();
    const auto add_pair = [&next](auto& pair) {
        *next++ = &pair.text;
        *next++ = &pair.number;
    };
    *next++ = &record.model;
    *next++ = &record.panel_name;
    for (auto& function : record.functions)
        add_pair(function);
    add_pair(record.indicator_intensity);
    add_pair(record.backlighting_intensity);
    add_pair(record.dimmed_intensity);
    return fields;
}

constexpr std::string_view field_ends = ",\r\n";

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_line_end(char c) {
    return c == '\r' || c == '\n';
}

// The number at the start of a field: an optional sign and decimal digits. Whatever follows
// the digits is ignored ("12abc" is 12, "4 2" is 4); a field without digits ("", "abc",
// "-") holds no number and gives 0.
std::optional<std::int16_t> leading_number(std::string_view field) {
    if (field.size() > 1 && field[0] == '+' && field[1] != '-') field.remove_prefix(1);
    std::int16_t value = 0; // from_chars leaves it alone when there are no digits
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error == std::errc::result_out_of_range) return std::nullopt;
    return value;
}

class FieldReader {
  public:
    explicit FieldReader(std::string_view bytes) : rest_(bytes) {}

    std::optional<ReadFailure::Reason> read(std::string& text) {
        if (!start_field()) return ReadFailure::Reason::ended_early;
        if (rest_.front() == '"') {
            const auto closing_quote = rest_.find('"', 1);
            if (closing_quote == std::string_view::npos) return ReadFailure::Reason::ended_early;
            text = rest_.substr(1, closing_quote - 1);
            rest_.remove_prefix(closing_quote + 1);
        } else {
            text = rest_.substr(0, rest_.find_first_of(field_ends));
        }
        // Anything between a closing quote and the field's end is dropped, so stray
        // characters there cannot shift the fields that follow.
        end_field();
        return std::nullopt;
    }

    // A number may stand in quotes like a text ("11"); it is read from what they enclose.
    std::optional<ReadFailure::Reason> read(std::int16_t& number) {
        std::string field;
        if (const auto failure = read(field)) return failure;
        const auto value = leading_number(field);
        if (!value) return ReadFailure::Reason::number_out_of_range;
        number = *value;
        return std::nullopt;
    }

  private:
    // Skips blanks and line ends before a field; false when nothing is left to read.
    // A line end right after a comma or another line end separates nothing more: a
    // file broken into lines after its commas, or one with blank lines, reads like
    // its one-line form, and blank lines cannot stand in for missing fields.
    bool start_field() {
        while (!rest_.empty() && (is_blank(rest_.front()) || is_line_end(rest_.front())))
            rest_.remove_prefix(1);
        return !rest_.empty();
    }

    // Moves past the comma or line end that ends the current field.
    void end_field() {
        const auto end = rest_.find_first_of(field_ends);
        rest_ = end == std::string_view::npos ? std::string_view{} : rest_.substr(end + 1);
    }

    std::string_view rest_;
};

} // namespace

ReadResult read_configuration(std::string_view bytes) {
    ConfigurationRecord record;
    FieldReader reader(bytes);
    std::size_t field_number = 0;
    for (const auto& field : fields_in_file_order(record)) {
        ++field_number;
        const auto failure =
            std::visit([&reader](auto* value) { return reader.read(*value); }, field);
        if (failure) return ReadFailure{*failure, field_number};
    }
    return record;
}

std::optional<std::string> write_configuration(const ConfigurationRecord& record) {
    std::string contents;
    bool first = true;
    for (const auto& field : fields_in_file_order(record)) {
        if (!first) contents += ',';
        first = false;
        if (const auto* number = std::get_if<const std::int16_t*>(&field)) {
            contents += std::to_string(**number);
            continue;
        }
        const std::string& text = *std::get<const std::string*>(field);
        if (text.find('"') != std::string::npos) return std::nullopt;
        contents += '"' + text + '"';
    }
    return contents + "\r\n";
}

namespace {

// The intensity pairs in the record, indexed by Intensity.
template <typename Record> auto& intensity_pair(Record& record, Intensity which) {
    switch (which) {
    case Intensity::Backlighting:
        return record.backlighting_intensity;
    case Intensity::Indicator:
        return record.indicator_intensity;
    case Intensity::Dimmed:
        break;
    }
    return record.dimmed_intensity;
}

constexpr Intensity kIntensities[] = {Intensity::Backlighting, Intensity::Indicator,
                                      Intensity::Dimmed};

} // namespace

Configuration configuration_of(const ConfigurationRecord& record) {
    Configuration configuration;
    configuration.panel_name = record.panel_name;
    for (int f = 0; f < kFunctionCount; ++f) {
        configuration.codes[f] = record.functions[f].number;
        if (f < 2 * kSwitchCount) configuration.designations[f] = record.functions[f].text;
    }
    for (const Intensity which : kIntensities)
        configuration.intensities[which] = intensity_pair(record, which).number;
    return configuration;
}

ConfigurationRecord record_of(const Configuration& configuration) {
    ConfigurationRecord record;
    record.model = model_tag;
    record.panel_name = configuration.panel_name;
    for (int f = 0; f < kFunctionCount; ++f)
        record.functions[f] = {f < 2 * kSwitchCount ? configuration.designations[f]
                                                    : std::string(lighting_caption(f)),
                               configuration.codes[f]};
    for (const Intensity which : kIntensities)
        intensity_pair(record, which) = {intensity_caption(which), configuration.intensities[which]};
    return record;
}

} // namespace kvr
