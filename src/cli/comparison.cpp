#include "cli/comparison.h"

#include "cli/configuration.h"
#include "cli/configuration_view.h"
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
        found.push_back({Difference::Kind::text, QStringLiteral("panel name"),
                         quoted(first.panel_name), quoted(second.panel_name)});
    for (int f = 0; f < kFunctionCount; ++f) {
        const QString label = QString::fromLatin1(kFunctions[f].label);
        if (with_texts && f < 2 * kSwitchCount && first.designations[f] != second.designations[f])
            found.push_back({Difference::Kind::text, label + QStringLiteral(" designation"),
                             quoted(first.designations[f]), quoted(second.designations[f])});
        const std::int16_t a = first.codes[f];
        const std::int16_t b = second.codes[f];
        if (a != b)
            found.push_back({Difference::Kind::assignment, label,
                             QString::fromStdString(assignment_text(a)),
                             QString::fromStdString(assignment_text(b)), a, b});
    }
    for (const IntensityName& name : intensity_names) {
        const std::int16_t a = first.intensities[name.which];
        const std::int16_t b = second.intensities[name.which];
        if (a != b)
            found.push_back({Difference::Kind::intensity, QString::fromLatin1(name.title),
                             QString::fromStdString(intensity_text(a)),
                             QString::fromStdString(intensity_text(b)), a, b});
    }
    return found;
}

QString difference_line(const Difference& difference, const QString& first_side,
                        const QString& second_side) {
    return difference.what + QLatin1String(": ") + first_side + u' ' + difference.first +
           QLatin1String(", ") + second_side + u' ' + difference.second;
}

QJsonObject difference_json(const Difference& difference, const QString& first_key,
                            const QString& second_key) {
    const auto side = [&difference](const QString& text, std::int16_t code) -> QJsonValue {
        switch (difference.kind) {
        case Difference::Kind::assignment:
            return assignment_json(code);
        case Difference::Kind::intensity:
            return intensity_json(code);
        case Difference::Kind::text:
            return text.mid(1, text.size() - 2); // without the quotes the line shows
        }
        return {};
    };
    return QJsonObject{{"function", difference.what},
                       {first_key, side(difference.first, difference.first_code)},
                       {second_key, side(difference.second, difference.second_code)}};
}

} // namespace kvr::cli
