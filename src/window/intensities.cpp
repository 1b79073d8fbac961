// The three intensity lists and the rule between two of them: the normal indicator must
// not be dimmer than the normal backlighting. A breach lowers the backlighting.

#include <QListWidget>

#include "form1.h"

using namespace kvr;

// The lists and code members in the order of Intensity: backlighting, indicator, dimmed.
QListWidget* Form1::intensity_list(Intensity which) const {
    const std::array lists{List45, List49, List46};
    return lists[static_cast<std::size_t>(which)];
}

int16_t& Form1::intensity_code(Intensity which) {
    const std::array codes{&blpercent, &indpercent, &dindpercent};
    return *codes[static_cast<std::size_t>(which)];
}

void Form1::intensity_list_click(Intensity which) {
    QListWidget* list = intensity_list(which);
    if (list->currentRow() < 0) {
        // The nested run for "100" does all the work, the rule included.
        list->setCurrentRow(0);
        return;
    }
    int16_t& code = intensity_code(which);
    code = item_value(list, list->currentRow());
    // A state brought back by undo kept the rule when it was shown; on the way there the
    // lists may pass through a breach that is nobody's.
    if (which == Intensity::Dimmed || restoring_ || !breaks_intensity_rule(intensity_codes()))
        return;

    dialogs_.message_box(this, QString::fromLatin1(kIntensityRuleMessage), QString());
    // Lowering the backlighting to the indicator's entry runs its handler nested; the
    // entry then matches the indicator, so the nested run finds the rule kept. It belongs
    // to the operator's step that broke the rule.
    const Quiet quiet(*this);
    List45->setCurrentRow(List49->currentRow());
    code = item_value(list, list->currentRow());
}

IntensityCodes Form1::intensity_codes() const {
    IntensityCodes codes;
    codes[Intensity::Backlighting] = blpercent;
    codes[Intensity::Indicator] = indpercent;
    codes[Intensity::Dimmed] = dindpercent;
    return codes;
}

// Codes that name no intensity mean 100 % before the rule is judged, so the rule sees the
// values the lists will show; once settled, selecting the lists keeps the rule throughout.
void Form1::select_intensities(const IntensityCodes& loaded) {
    const SettledIntensities settled = settle_intensities(loaded);
    if (settled.backlighting_lowered)
        dialogs_.message_box(this, QString::fromLatin1(kIntensityRuleMessage), QString());
    for (const Intensity which : {Intensity::Backlighting, Intensity::Indicator, Intensity::Dimmed})
        intensity_code(which) = settled.codes[which];
    select_blpercent();
    select_indpercent();
    select_dindpercent();
}

void Form1::select_intensity(Intensity which) {
    int16_t& code = intensity_code(which);
    const std::optional<int> position = intensity_position(code);
    if (!position) code = kFullIntensity;
    intensity_list(which)->setCurrentRow(position.value_or(0));
}

void Form1::select_blpercent() {
    select_intensity(Intensity::Backlighting);
}
void Form1::select_indpercent() {
    select_intensity(Intensity::Indicator);
}
void Form1::select_dindpercent() {
    select_intensity(Intensity::Dimmed);
}
