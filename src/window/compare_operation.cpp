// Comparing a panel with what the window shows, without replacing it: the panel is read as a
// read reads it, each place where it holds something else than a write would program is
// marked, and what was read can then be taken as one step. The log has it as a verify.

#include <QListWidget>
#include <QRadioButton>
#include <QTextEdit>

#include "form1.h"
#include "panel/panel_conversation.h"
#include "records/record.h"

using namespace kvr;

namespace {

const QString kMatches = QStringLiteral("SWITCH PANEL MATCHES");

QString differences_text(std::size_t count) {
    return count == 1 ? QStringLiteral("SWITCH PANEL DIFFERS IN 1 PLACE")
                      : QStringLiteral("SWITCH PANEL DIFFERS IN %1 PLACES").arg(count);
}

// Its own colour: red marks an incomplete selection, blue the focus.
const QString kDifferenceFrame =
    QStringLiteral("QListWidget { border: 2px solid rgb(255, 0, 255); }");

// What the panel holds at a location, as a list would show it: "B-3", "N/A", "70 %".
QString held_text(const Location& location, std::int16_t held) {
    if (location.kind != LocationKind::assignment)
        return QString::fromStdString(intensity_text(held)).toUpper();
    return QString::fromStdString(assignment_text(held)).toUpper();
}

} // namespace

void Form1::forget_comparison() {
    clear_difference_marks();
    panel_values_.reset();
    update_actions();
}

void Form1::compare_with_panel() {
    forget_comparison();
    const Configuration shown = configuration_shown();
    begin_logged_operation(records::RecordOperation::verify,
                           records::values_digest(records::programmed_values(shown)));
    job_.compared = as_programmed(shown).configuration;
    job_.start(*conversation_);
    wait_for_conversation();
    comparison_status_shown_ = panel_values_.has_value();
    mark_differences();
    as_found_event(AsFoundEvent::compared);
}

// A comparison that failed ends as a read does, with nothing marked.
void Form1::show_comparison(const ConversationResult& result) {
    panel_values_ = result.values;
    differing_ = job_.differing(result);
    if (differing_.empty())
        show_status(kMatches, kStatusGreen);
    else
        show_status(differences_text(differing_.size()), kStatusRed);
}

void Form1::mark_differences() {
    if (differing_.empty()) {
        update_actions();
        return;
    }
    bool switch_differs = false;
    for (const int number : differing_) {
        const Location& location = *find_location(number);
        std::vector<QWidget*> marked;
        if (location.kind == LocationKind::assignment) {
            marked = {functions_[location.function].module, functions_[location.function].channel};
            switch_differs = switch_differs || location.function < kSwitchCount;
        } else {
            marked = {intensity_list(location.intensity)};
        }
        const QString tooltip =
            QStringLiteral("PANEL: ") + held_text(location, (*panel_values_)[std::size_t(number)]);
        for (QWidget* control : marked)
            difference_marks_.mark(control, kDifferenceFrame, tooltip);
    }
    // The view of the first difference: the switches come first.
    (switch_differs ? Option1 : Option2)->setChecked(true);
    show_current_view();
    update_actions();
}

void Form1::clear_difference_marks() {
    difference_marks_.clear();
    differing_.clear();
    if (comparison_status_shown_) {
        Text1->hide();
        Text1->setToolTip({});
        comparison_status_shown_ = false;
    }
}

void Form1::take_panel_values() {
    if (operation_running_ || !panel_values_) return;
    const Configuration held = configuration_in(*panel_values_);
    const WindowSnapshot before = capture_window();
    {
        const Quiet quiet(*this);
        for (int f = 0; f < kFunctionCount; ++f)
            apply_assignment(f, held.codes[f]);
        select_intensities(held.intensities);
        show_current_view();
    }
    as_found_event(AsFoundEvent::taken); // before the step, which keeps the list then
    record_operation(before);
}
