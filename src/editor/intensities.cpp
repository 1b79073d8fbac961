// The three intensity lists and the rule between two of them: the normal indicator must
// not be dimmer than the normal backlighting. A breach lowers the backlighting.

#include <QListWidget>

#include "form1.h"

using namespace kvr;

namespace {

const QString kIntensityRuleMessage =
    QStringLiteral("NORMAL INDICATOR INTENSITY must be set equal to\n"
                   "or greater than NORMAL BACKLIGHTING INTENSITY.");

} // namespace

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
    if (which == Intensity::Dimmed || indpercent >= blpercent) return;

    dialogs_.message_box(this, kIntensityRuleMessage, QString());
    // Lowering the backlighting to the indicator's entry runs its handler nested; the
    // entry then matches the indicator, so the nested run finds the rule kept.
    List45->setCurrentRow(List49->currentRow());
    code = item_value(list, list->currentRow());
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
