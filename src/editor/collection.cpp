// Gathers every function's write value from its lists just before a write or a save,
// and stops at the first incomplete selection.

#include <QListWidget>

#include "form1.h"

using namespace kvr;

void Form1::collect_selections() {
    for (int f = 0; f < kFunctionCount; ++f) {
        const FunctionControls& controls = functions_[f];
        int16_t& write_value = functions[f].write_value(kFunctions[f]);
        const int module_row = controls.module->currentRow();
        if (module_row == 0) { // "N/A": the channel does not matter
            write_value = item_value(controls.module, module_row);
            continue;
        }
        const int channel_row = controls.channel->currentRow();
        if (module_row < 0 || channel_row < 0) {
            error_flag = kFunctions[f].incomplete_error;
            return;
        }
        write_value = static_cast<int16_t>(item_value(controls.module, module_row) +
                                           item_value(controls.channel, channel_row));
    }
    show_switch_view();
}
