// What the sheet says: the content of a configuration file, and the texts that stand for
// its codes.

#include "configuration_model.h"
#include "files/configuration_file_io.h"
#include "layout.h"
#include "sheet_drawing.h"

namespace kvr {

QString lighting_designation(int function) {
    return function == kBacklighting ? QStringLiteral("Backlighting")
                                     : QStringLiteral("Dimming input");
}

SheetContent sheet_content(const ConfigurationRecord& record, const QString& source,
                           const QDateTime& drawn) {
    SheetContent content;
    content.panel_name = from_file_text(record.panel_name);
    content.model_tag = from_file_text(record.model);
    content.source = source;
    content.drawn = drawn;
    for (int f = 0; f < kFunctionCount; ++f) {
        const TextAndNumber& field = record.functions[f];
        // The file carries fixed captions before the lighting codes, not designations.
        content.functions[f] = {
            f < kBacklighting ? from_file_text(field.text) : lighting_designation(f), field.number};
    }
    const auto code = [&content](Intensity intensity) -> std::int16_t& {
        return content.intensity_codes[static_cast<int>(intensity)];
    };
    code(Intensity::Backlighting) = record.backlighting_intensity.number;
    code(Intensity::Indicator) = record.indicator_intensity.number;
    code(Intensity::Dimmed) = record.dimmed_intensity.number;
    return content;
}

namespace sheet {

AssignmentText assignment_text(const SheetFunction& function) {
    if (!function.code) return {{}, {}, QStringLiteral("not chosen")};
    // The channel carried into the split is out of every list, so a code that the split
    // leaves without a channel shows as such.
    const CodeSplit split = split_code(*function.code, -1);
    const auto& modules = list_entries(ListContents::Module);
    const auto& channels = list_entries(ListContents::Channel);
    if (split.m_index == 0) return {QString::fromLatin1(modules[0].text), {}, {}};
    if (split.c_index < 0 || split.c_index >= static_cast<int>(channels.size()))
        return {{}, {}, QStringLiteral("code %1").arg(*function.code)};
    return {QString::fromLatin1(modules[split.m_index].text),
            QString::fromLatin1(channels[split.c_index].text),
            {}};
}

std::optional<QString> intensity_percent(std::int16_t code) {
    const std::optional<int> position = intensity_position(code);
    if (!position) return std::nullopt;
    return QString::fromLatin1(list_entries(ListContents::Intensity)[*position].text) +
           QStringLiteral(" %");
}

const IntensityRow kIntensityRows[3] = {
    {Intensity::Indicator, "Normal indicator"},
    {Intensity::Backlighting, "Normal backlighting"},
    {Intensity::Dimmed, "Dimmed backlighting and indicator"},
};

QColor function_ink(int function) {
    return is_switch(function) ? kSwitchInk : kLightingInk;
}

} // namespace sheet
} // namespace kvr
