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

QListWidget* Form1::intensity_list(Intensity which) const {
    switch (which) {
    case Intensity::Backlighting:
        return List45;
    case Intensity::Indicator:
        return List49;
    case Intensity::Dimmed:
        return List46;
    }
    return nullptr;
}

int16_t& Form1::intensity_code(Intensity which) {
    switch (which) {
    case Intensity::Backlighting:
        return blpercent;
    case Intensity::Indicator:
        return indpercent;
    case Intensity::Dimmed:
        return dindpercent;
    }
    return dindpercent;
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
