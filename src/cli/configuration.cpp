#include "cli/configuration.h"

#include <algorithm>

#include "editor/configuration_model.h"
#include "editor/layout.h"
#include "panel/panel_conversation.h"

namespace kvr::cli {

const std::array<IntensityField, 3> intensity_fields{{
    {Intensity::Backlighting, &ConfigurationRecord::backlighting_intensity, "Label15",
     "backlighting intensity", "backlighting"},
    {Intensity::Indicator, &ConfigurationRecord::indicator_intensity, "Label17",
     "indicator intensity", "indicator"},
    {Intensity::Dimmed, &ConfigurationRecord::dimmed_intensity, "Label16", "dimmed intensity",
     "dimmed"},
}};

namespace {

const IntensityField& intensity_field(Intensity which) {
    return intensity_fields[static_cast<std::size_t>(which)];
}

QString entry_text(ListContents list, int position) {
    return QString::fromLatin1(list_entries(list)[static_cast<std::size_t>(position)].text);
}

std::string caption(const char* label) {
    const auto& table = layout_table();
    const auto row = std::find_if(table.begin(), table.end(),
                                  [label](const ControlLayout& c) { return c.name == label; });
    return row == table.end() ? std::string() : row->caption;
}

} // namespace

const TextAndNumber& intensity_pair(const ConfigurationRecord& record, Intensity which) {
    return record.*intensity_field(which).field;
}

std::int16_t effective_assignment(std::int16_t code) {
    return std::min(code, kNotAssigned);
}

std::int16_t effective_intensity(std::int16_t code) {
    return intensity_position(code) ? code : kFullIntensity;
}

Assignment assignment(std::int16_t code) {
    const CodeSplit split = split_code(code, -1);
    if (split.m_index == 0) return {};
    Assignment result{entry_text(ListContents::Module, split.m_index), std::nullopt};
    if (split.c_index >= 0) result.channel = split.c_index + 1;
    return result;
}

QString describe_assignment(std::int16_t code) {
    const Assignment a = assignment(code);
    if (a.module.isEmpty()) return entry_text(ListContents::Module, 0);
    if (!a.channel) return a.module + QStringLiteral(", no channel");
    return QStringLiteral("%1 %2").arg(a.module).arg(*a.channel);
}

int intensity_percent(std::int16_t code) {
    return entry_text(ListContents::Intensity, *intensity_position(effective_intensity(code)))
        .toInt();
}

std::int16_t value_to_write(const ConfigurationRecord& record, const Location& location) {
    if (location.kind == LocationKind::assignment)
        return effective_assignment(record.functions[location.function].number);
    return effective_intensity(intensity_pair(record, location.intensity).number);
}

std::optional<QString> incomplete_selection(const ConfigurationRecord& record) {
    for (int f = 0; f < kFunctionCount; ++f) {
        if (record.functions[f].number >= 0) continue;
        return kFunctions[f].incomplete_error == 1 ? StatusTexts::switches_incomplete
                                                   : StatusTexts::leds_incomplete;
    }
    return std::nullopt;
}

ConfigurationRecord record_from_panel(const PanelValues& values, const std::string& panel_name) {
    ConfigurationRecord record;
    record.model = std::string(model_tag);
    record.panel_name = panel_name;
    for (const Location& location : configuration_locations()) {
        const std::int16_t value = values[location.number];
        if (location.kind == LocationKind::assignment) {
            const FunctionRow& row = kFunctions[location.function];
            record.functions[location.function] = {
                row.caption_label ? caption(row.caption_label) : std::string(), value};
        } else {
            const IntensityField& field = intensity_field(location.intensity);
            record.*field.field = {caption(field.caption_label), effective_intensity(value)};
        }
    }
    return record;
}

} // namespace kvr::cli
