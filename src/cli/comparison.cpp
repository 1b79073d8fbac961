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

namespace {

// The difference of two values at one location.
Difference value_difference(const Location& location, std::int16_t a, std::int16_t b) {
    if (location.kind == LocationKind::assignment)
        return {Difference::Kind::assignment,
                QString::fromLatin1(kFunctions[location.function].label),
                QString::fromStdString(assignment_text(a)),
                QString::fromStdString(assignment_text(b)),
                a,
                b};
    return {Difference::Kind::intensity,
            QString::fromLatin1(intensity_names[std::size_t(location.intensity)].title),
            QString::fromStdString(intensity_text(a)),
            QString::fromStdString(intensity_text(b)),
            a,
            b};
}

} // namespace

std::vector<Difference> differences(const Configuration& first, const Configuration& second) {
    std::vector<Difference> found;
    if (first.panel_name != second.panel_name)
        found.push_back({Difference::Kind::text, QStringLiteral("panel name"),
                         quoted(first.panel_name), quoted(second.panel_name)});
    for (const Location& location : configuration_locations()) {
        const int f = location.function;
        if (location.kind == LocationKind::assignment && f < 2 * kSwitchCount &&
            first.designations[f] != second.designations[f])
            found.push_back(
                {Difference::Kind::text,
                 QString::fromLatin1(kFunctions[f].label) + QStringLiteral(" designation"),
                 quoted(first.designations[f]), quoted(second.designations[f])});
        const std::int16_t a = value_at(first, location);
        const std::int16_t b = value_at(second, location);
        if (a != b) found.push_back(value_difference(location, a, b));
    }
    return found;
}

std::vector<Difference> panel_differences(const Configuration& programmed, const PanelValues& held,
                                          const std::vector<int>& differing) {
    std::vector<Difference> found;
    for (const int number : differing) {
        const Location& location = *find_location(number);
        found.push_back(
            value_difference(location, value_at(programmed, location), held[std::size_t(number)]));
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
