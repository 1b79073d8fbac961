#include "cli/comparison.h"

#include "cli/configuration.h"
#include "files/configuration_file_io.h"

namespace kvr::cli {

namespace {

QString quoted(const std::string& bytes) {
    return u'"' + from_file_text(bytes) + u'"';
}

} // namespace

std::vector<Difference> differences(const Configuration& first, const Configuration& second,
                                    Texts texts) {
    std::vector<Difference> found;
    const bool with_texts = texts == Texts::compared;
    if (with_texts && first.panel_name != second.panel_name)
        found.push_back(
            {QStringLiteral("panel name"), quoted(first.panel_name), quoted(second.panel_name)});
    for (int f = 0; f < kFunctionCount; ++f) {
        const QString label = QString::fromLatin1(kFunctions[f].label);
        if (with_texts && f < 2 * kSwitchCount && first.designations[f] != second.designations[f])
            found.push_back({label + QStringLiteral(" designation"), quoted(first.designations[f]),
                             quoted(second.designations[f])});
        const std::int16_t a = first.codes[f];
        const std::int16_t b = second.codes[f];
        if (a != b)
            found.push_back({label, QString::fromStdString(assignment_text(a)),
                             QString::fromStdString(assignment_text(b))});
    }
    for (const IntensityName& name : intensity_names) {
        const std::int16_t a = first.intensities[name.which];
        const std::int16_t b = second.intensities[name.which];
        if (a != b)
            found.push_back({QString::fromLatin1(name.title),
                             QString::fromStdString(intensity_text(a)),
                             QString::fromStdString(intensity_text(b))});
    }
    return found;
}

QString difference_line(const Difference& difference, const QString& first_side,
                        const QString& second_side) {
    return difference.what + QLatin1String(": ") + first_side + u' ' + difference.first +
           QLatin1String(", ") + second_side + u' ' + difference.second;
}

} // namespace kvr::cli
