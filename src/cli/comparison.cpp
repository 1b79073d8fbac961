#include "cli/comparison.h"

#include "cli/configuration.h"
#include "files/configuration_file_io.h"

namespace kvr::cli {

namespace {

QString quoted(const std::string& bytes) {
    return u'"' + from_file_text(bytes) + u'"';
}

} // namespace

std::vector<Difference> differences(const ConfigurationRecord& first,
                                    const ConfigurationRecord& second, Texts texts) {
    std::vector<Difference> found;
    const bool with_texts = texts == Texts::compared;
    if (with_texts && first.panel_name != second.panel_name)
        found.push_back(
            {QStringLiteral("panel name"), quoted(first.panel_name), quoted(second.panel_name)});
    for (int f = 0; f < kFunctionCount; ++f) {
        const QString label = QString::fromLatin1(kFunctions[f].label);
        const TextAndNumber& a = first.functions[f];
        const TextAndNumber& b = second.functions[f];
        // The lighting functions carry fixed captions, not designations.
        if (with_texts && kFunctions[f].designation && a.text != b.text)
            found.push_back(
                {label + QStringLiteral(" designation"), quoted(a.text), quoted(b.text)});
        if (effective_assignment(a.number) != effective_assignment(b.number))
            found.push_back({label, describe_assignment(a.number), describe_assignment(b.number)});
    }
    for (const IntensityField& field : intensity_fields) {
        const std::int16_t a = (first.*field.field).number;
        const std::int16_t b = (second.*field.field).number;
        if (effective_intensity(a) != effective_intensity(b))
            found.push_back({QString::fromLatin1(field.title),
                             QStringLiteral("%1 %").arg(intensity_percent(a)),
                             QStringLiteral("%1 %").arg(intensity_percent(b))});
    }
    return found;
}

QString difference_line(const Difference& difference, const QString& first_side,
                        const QString& second_side) {
    return difference.what + QLatin1String(": ") + first_side + u' ' + difference.first +
           QLatin1String(", ") + second_side + u' ' + difference.second;
}

} // namespace kvr::cli
