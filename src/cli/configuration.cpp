#include "cli/configuration.h"

#include "cli/output.h"
#include "configuration/texts.h"
#include "configuration/windows1252.h"

namespace kvr::cli {

const std::array<IntensityName, 3> intensity_names{{
    {Intensity::Backlighting, "backlighting intensity", "backlighting"},
    {Intensity::Indicator, "indicator intensity", "indicator"},
    {Intensity::Dimmed, "dimmed intensity", "dimmed"},
}};

std::optional<std::string> given_panel_name(const QString& name, NameSource source) {
    const std::u16string text = name.toStdU16String();
    const std::size_t longest = source == NameSource::typed ? kPanelNameTypedLength : text.size();
    if (const std::optional<std::string> refusal = panel_name_refusal(text, longest)) {
        print_error(
            QStringLiteral("panel name \"%1\": %2").arg(name, QString::fromStdString(*refusal)));
        return std::nullopt;
    }
    return to_windows1252(text);
}

Configuration programmed_with_notes(const Configuration& configuration, const QString& source) {
    const ProgrammedConfiguration programmed = as_programmed(configuration);
    if (programmed.backlighting_lowered) {
        const std::int16_t lowered = programmed.configuration.intensities[Intensity::Backlighting];
        print_error(QStringLiteral("%1: backlighting intensity %2 programmed as %3: %4")
                        .arg(source)
                        .arg(QString::fromStdString(intensity_text(programmed_intensity(
                            configuration.intensities[Intensity::Backlighting]))))
                        .arg(QString::fromStdString(intensity_text(lowered)))
                        .arg(QString::fromLatin1(kIntensityRuleMessage).replace(u'\n', u' ')));
    }
    return programmed.configuration;
}

} // namespace kvr::cli
