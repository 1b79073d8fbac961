#include "cli/configuration_view.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include "cli/configuration.h"
#include "files/configuration_file_io.h"

namespace kvr::cli {

namespace {

bool has_designation(int function) {
    return function < 2 * kSwitchCount;
}

} // namespace

QString configuration_table(const Configuration& configuration) {
    qsizetype width = QStringLiteral("DESIGNATION").size();
    for (int f = 0; f < kFunctionCount; ++f)
        if (has_designation(f))
            width = std::max(width, from_file_text(configuration.designations[f]).size());

    QString text =
        QStringLiteral("PANEL NAME  %1\n\n").arg(from_file_text(configuration.panel_name));
    const auto row = [&text, width](const QString& function, const QString& designation,
                                    const QString& module, const QString& channel) {
        // Concatenated, not arg()-chained: a designation may hold "%1".
        const QString line = function.leftJustified(9) + QLatin1String("  ") +
                             designation.leftJustified(width) + QLatin1String("  ") +
                             module.leftJustified(6) + QLatin1String("  ") + channel;
        text += line.trimmed() + u'\n';
    };
    row(QStringLiteral("FUNCTION"), QStringLiteral("DESIGNATION"), QStringLiteral("MODULE"),
        QStringLiteral("CHANNEL"));
    for (int f = 0; f < kFunctionCount; ++f) {
        const std::int16_t code = configuration.codes[f];
        const Assignment a = assignment_of(code);
        const QString module = QString::fromStdString(a.module);
        const QString channel = a.channel ? QString::number(*a.channel)
                                          : (module.isEmpty() ? QString() : QStringLiteral("-"));
        row(QString::fromLatin1(kFunctions[f].label),
            has_designation(f) ? from_file_text(configuration.designations[f]) : QString(),
            module.isEmpty() ? QString::fromStdString(assignment_text(code)) : module, channel);
    }
    text += u'\n';
    for (const IntensityName& name : intensity_names)
        text += QStringLiteral("%1  %2 %\n")
                    .arg(QString::fromLatin1(name.title).toUpper(), -24)
                    .arg(intensity_percent(configuration.intensities[name.which]), 3);
    return text;
}

QJsonObject assignment_json(std::int16_t code) {
    const Assignment a = assignment_of(code);
    const QString module = QString::fromStdString(a.module);
    return QJsonObject{
        {"code", code},
        {"module", module.isEmpty() ? QJsonValue() : QJsonValue(module)},
        {"channel", a.channel ? QJsonValue(*a.channel) : QJsonValue()},
    };
}

QJsonObject intensity_json(std::int16_t code) {
    return QJsonObject{{"code", code}, {"percent", intensity_percent(code)}};
}

QJsonObject configuration_json(const Configuration& configuration) {
    QJsonArray functions;
    for (int f = 0; f < kFunctionCount; ++f) {
        QJsonObject function = assignment_json(configuration.codes[f]);
        function.insert("function", QString::fromLatin1(kFunctions[f].label));
        function.insert("designation",
                        has_designation(f)
                            ? QJsonValue(from_file_text(configuration.designations[f]))
                            : QJsonValue());
        functions.append(function);
    }
    QJsonObject intensities;
    for (const IntensityName& name : intensity_names)
        intensities.insert(QString::fromLatin1(name.key),
                           intensity_json(configuration.intensities[name.which]));
    return QJsonObject{
        {"panel_name", from_file_text(configuration.panel_name)},
        {"functions", functions},
        {"intensities", intensities},
    };
}

} // namespace kvr::cli
