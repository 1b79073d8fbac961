// Reading a panel's configuration into the window and programming the window's
// configuration into a panel. Both walk the memory map and stop at the first failure;
// nothing is retried or rolled back.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "form1.h"
#include "panel/memory_map.h"

using namespace kvr;

namespace {

const QString kStartingRead =
    QStringLiteral("STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION");
const QString kStartingWrite =
    QStringLiteral("STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION");
const QString kNoResponse = QStringLiteral("COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND");
const QString kBadData = QStringLiteral("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");
const QString kReadDone = QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL");
const QString kProgrammed = QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED");
const QString kLedsIncomplete = QStringLiteral(
    "DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA");
const QString kMismatchTitle = QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
const QString kReadMismatch = QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO READ "
                                             "DATA FROM DOES NOT MATCH THIS CONFIGURATION PROGRAM");
const QString kWriteMismatch = QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO WRITE "
                                              "DATA TO DOES NOT MATCH THIS CONFIGURATION PROGRAM");

} // namespace

void Form1::set_up_panel_communication() {
    create_serial_link();
    connect(READ_CONFIG, &QPushButton::clicked, this,
            [this] { run_exclusively(&Form1::READ_CONFIG_Click); });
    connect(WRITE_CONFIG, &QPushButton::clicked, this,
            [this] { run_exclusively(&Form1::WRITE_CONFIG_Click); });
}

void Form1::READ_CONFIG_Click() {
    show_status(kStartingRead, kStatusYellow);
    Text2->clear();
    if (open_panel_port()) talk_to_panel(kReadMismatch, &Form1::read_location, kReadDone);
    close_panel_port();
    config_flag = 1;
    show_switch_view();
    config_flag = 0;
}

void Form1::WRITE_CONFIG_Click() {
    show_status(kStartingWrite, kStatusYellow);
    error_flag = 0;
    collect_selections();
    if (open_panel_port()) {
        if (error_flag != 0)
            show_status(error_flag == 1 ? kSwitchesIncomplete : kLedsIncomplete, kStatusRed);
        else
            talk_to_panel(kWriteMismatch, &Form1::write_location, kProgrammed);
    }
    close_panel_port();
}

// What both operations do on an open port: the handshake, the identity check, then one
// transaction per configuration location until one fails, and a last pause before success.
void Form1::talk_to_panel(const QString& mismatch_text, void (Form1::*transfer)(int location),
                          const QString& success_text) {
    if (!wake_panel()) {
        show_status(kNoResponse, kStatusRed);
        return;
    }
    if (!panel_identified(mismatch_text)) return;
    for (const Location& location : configuration_locations()) {
        pause_one_tick();
        address_l = location.number;
        (this->*transfer)(location.number);
        if (error_flag != 0) {
            show_status(kBadData, kStatusRed);
            return;
        }
    }
    pause_one_tick();
    show_status(success_text, kStatusGreen);
}

// The model code must be one this program knows. A failed read leaves in A whatever an
// earlier transaction put there, so a code that looks right is trusted only when the read
// itself succeeded. With the line gone there is no panel to call a mismatch.
bool Form1::panel_identified(const QString& mismatch_text) {
    pause_one_tick();
    address_l = model_code_location;
    read_panel_value();
    if (!is_accepted_model(A) && !line_lost()) {
        dialogs_.message_box(this, mismatch_text, kMismatchTitle);
        return false;
    }
    if (error_flag != 0 || !is_accepted_model(A)) {
        show_status(kBadData, kStatusRed);
        return false;
    }
    return true;
}

// The value read is applied before the caller looks at error_flag, so a failing location
// shows what was read for it.
void Form1::read_location(int number) {
    const Location& location = *find_location(number);
    read_panel_value();
    if (location.kind == LocationKind::assignment) {
        apply_assignment(location.function);
        return;
    }
    const Intensity which = location.intensity;
    intensity_code(which) = A;
    select_intensity(which);
}

void Form1::apply_assignment(int function) {
    const FunctionControls& controls = functions_[function];
    code_split();
    controls.module->setCurrentRow(m_index);
    // A negative value read splits into a channel position below 0: rather than lose its
    // selection, the channel list keeps it.
    if (c_index >= 0) controls.channel->setCurrentRow(c_index);
    if (controls.designation) {
        controls.designation->clear();
        controls.designation->hide();
    }
}

// The intensities are written as the lists show them; a list without a selection is
// first set to 100 %, which runs its handler.
void Form1::write_location(int number) {
    const Location& location = *find_location(number);
    if (location.kind == LocationKind::assignment) {
        data_l = functions[location.function].write_value(kFunctions[location.function]);
    } else {
        QListWidget* list = intensity_list(location.intensity);
        if (list->currentRow() < 0) list->setCurrentRow(0);
        data_l = item_value(list, list->currentRow());
    }
    write_panel_value();
}
