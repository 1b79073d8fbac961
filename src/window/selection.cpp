// Module and channel selection: keeps each function's live code, module part and channel
// part in line with its lists, and shows or hides the controls that go with the choice.

#include <QLineEdit>
#include <QListWidget>

#include "form1.h"

using namespace kvr;

namespace {

void set_shown(QWidget* widget, bool shown) {
    if (widget) widget->setVisible(shown);
}

} // namespace

void Form1::module_list_click(int function) {
    const FunctionControls& controls = functions_[function];
    AssignmentMembers& values = functions[function];
    const int row = controls.module->currentRow();
    if (row < 0) return; // only happens if code clears the selection: nothing to take

    const bool not_assigned = row == 0;
    if (not_assigned) values.live = item_value(controls.module, row);
    for (QWidget* shown_with_channel : {static_cast<QWidget*>(controls.channel),
                                        controls.intensity_list, controls.intensity_label})
        set_shown(shown_with_channel, !not_assigned);
    if (not_assigned) return;

    // The channel part is whatever the last channel choice left, so a module chosen
    // before any channel means channel 1.
    values.module_part = item_value(controls.module, row);
    values.live = static_cast<int16_t>(values.channel_part + values.module_part);
}

void Form1::channel_list_click(int function) {
    const FunctionControls& controls = functions_[function];
    AssignmentMembers& values = functions[function];
    const int row = controls.channel->currentRow();
    if (row < 0) return;

    // The module part is the last module chosen other than "N/A", whatever the module
    // list shows now.
    values.channel_part = item_value(controls.channel, row);
    values.live = static_cast<int16_t>(values.module_part + values.channel_part);
    set_shown(controls.designation, true);
}

// Only functions without a module: a module chosen without its channel is the operator's
// unfinished choice, which the completeness check still reports.
void Form1::set_unassigned_to_not_assigned() {
    if (operation_running_) return;
    {
        const Quiet quiet(*this);
        for (const FunctionControls& controls : functions_)
            if (controls.module->currentRow() < 0) controls.module->setCurrentRow(0);
        show_current_view();
    }
    record_step();
}
