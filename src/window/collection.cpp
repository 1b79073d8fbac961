// Gathers every function's write value from its lists just before a write or a save,
// and stops at the first incomplete selection.

#include <QListWidget>

#include "form1.h"

using namespace kvr;

std::optional<int16_t> Form1::listed_code(int function) const {
    const FunctionControls& controls = functions_[function];
    const int module_row = controls.module->currentRow();
    if (module_row == 0) return item_value(controls.module, module_row); // "N/A": any channel
    const int channel_row = controls.channel->currentRow();
    if (module_row < 0 || channel_row < 0) return std::nullopt;
    return static_cast<int16_t>(item_value(controls.module, module_row) +
                                item_value(controls.channel, channel_row));
}

void Form1::collect_selections() {
    for (int f = 0; f < kFunctionCount; ++f) {
        const std::optional<int16_t> code = listed_code(f);
        if (!code) {
            error_flag = kFunctions[f].incomplete_error;
            return;
        }
        functions[f].write_value(kFunctions[f]) = *code;
    }
    show_switch_view();
}

void Form1::mark_incomplete_selections() {
    QWidget* first = nullptr;
    for (int f = 0; f < kFunctionCount; ++f) {
        if (listed_code(f)) continue;
        mark_function(f, true);
        const FunctionControls& controls = functions_[f];
        if (!first && controls.module->isVisibleTo(this))
            first = controls.module->currentRow() < 0 ? controls.module : controls.channel;
    }
    // The lists take input again only once the operation has ended.
    focus_after_operation_ = first;
    if (!operation_running_) run_focus_after_operation();
}

// A marked function stays marked until its selection is complete, whoever completes it.
void Form1::connect_marks() {
    for (int f = 0; f < kFunctionCount; ++f)
        for (QListWidget* list : {functions_[f].module, functions_[f].channel})
            connect(list, &QListWidget::currentRowChanged, this, [this, f] {
                if (marked_[f] && listed_code(f)) mark_function(f, false);
            });
}

void Form1::mark_function(int function, bool marked) {
    marked_[function] = marked;
    const QString frame =
        marked ? QStringLiteral("QListWidget { border: 2px solid rgb(255, 0, 0); }") : QString();
    for (QListWidget* list : {functions_[function].module, functions_[function].channel})
        list->setStyleSheet(frame);
}
