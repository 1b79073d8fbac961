// What the sheet says: the content of a configuration file, and the texts that stand for
// its codes.

#include "files/configuration_file_io.h"
#include "sheet_drawing.h"

namespace kvr {

QString lighting_designation(int function) {
    return function == kBacklighting ? QStringLiteral("Backlighting")
                                     : QStringLiteral("Dimming input");
}

SheetContent sheet_content(const Configuration& configuration, const QString& source,
                           const QDateTime& drawn) {
    SheetContent content;
    content.panel_name = from_file_text(configuration.panel_name);
    content.source = source;
    content.drawn = drawn;
    for (int f = 0; f < kFunctionCount; ++f)
        content.functions[f] = {f < kBacklighting ? from_file_text(configuration.designations[f])
                                                  : lighting_designation(f),
                                configuration.codes[f]};
    content.intensity_codes = configuration.intensities.codes;
    return content;
}

namespace sheet {

AssignmentText assignment_text(const SheetFunction& function) {
    if (!function.code) return {{}, {}, QStringLiteral("not chosen"), {}};
    const Assignment a = assignment_of(*function.code);
    const QString shown = QString::fromStdString(kvr::assignment_text(*function.code));
    if (a.module.empty())
        return {QString::fromLatin1(list_entries(ListContents::Module)[0].text), {}, {}, shown};
    if (!a.channel) return {{}, {}, QStringLiteral("code %1").arg(*function.code), {}};
    return {QString::fromStdString(a.module), QString::number(*a.channel), {}, shown};
}

std::optional<QString> intensity_percent(std::int16_t code) {
    if (!is_programmed_intensity(code)) return std::nullopt;
    return QString::fromStdString(intensity_text(code));
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
