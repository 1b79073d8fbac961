// The two views: the ten switch rows, or the ten LED rows with the lighting frames. Each
// step sets visibility absolutely, so a view depends only on config_flag and the module
// lists' selections, never on the view shown before.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "form1.h"

using namespace kvr;

namespace {

constexpr int kFirstLed = kSwitchCount;

} // namespace

// A channel list is hidden while its module list stands at "N/A", shown otherwise, also
// while nothing is selected.
void Form1::show_channel_by_rule(const FunctionControls& controls) {
    controls.module->show();
    controls.channel->setVisible(controls.module->currentRow() != 0);
}

void Form1::show_switch_view() {
    Frame1->hide();
    Frame2->hide();
    Option1->setChecked(true);
    for (int f = 0; f < kSwitchCount; ++f)
        functions_[f].designation->setVisible(config_flag == 0);
    for (int f = kFirstLed; f < kFirstLed + kSwitchCount; ++f)
        functions_[f].designation->hide();
    for (int f = 0; f < kSwitchCount; ++f)
        show_channel_by_rule(functions_[f]);
    for (int f = kFirstLed; f <= kBacklighting; ++f) {
        functions_[f].module->hide();
        functions_[f].channel->hide();
    }
    for (int p = 0; p < kPositionCount; ++p) {
        position_labels_[p]->setText(QString::fromLatin1(kFunctions[p].label));
        position_labels_[p]->adjustSize();
    }
    Label14->hide();
}

void Form1::Option1_Click() {
    show_switch_view();
}

void Form1::Option2_Click() {
    Frame1->show();
    Frame2->show();
    for (int f = 0; f < kSwitchCount; ++f)
        functions_[f].designation->hide();
    for (int f = kFirstLed; f < kFirstLed + kSwitchCount; ++f)
        functions_[f].designation->show();
    for (int f = 0; f < kSwitchCount; ++f) {
        functions_[f].module->hide();
        functions_[f].channel->hide();
    }
    for (int f = kFirstLed; f <= kBacklighting; ++f)
        show_channel_by_rule(functions_[f]);
    for (int p = 0; p < kPositionCount; ++p) {
        position_labels_[p]->setText(QString::fromLatin1(kFunctions[kFirstLed + p].label));
        position_labels_[p]->adjustSize();
    }
    Label14->show();
}

void Form1::show_current_view() {
    if (Option2->isChecked())
        Option2_Click();
    else
        show_switch_view();
}
