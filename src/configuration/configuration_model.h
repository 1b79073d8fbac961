#pragma once
// The values the window holds behind its controls: assignment codes, intensity codes,
// file texts and the state shared by the panel transactions. Plain standard C++ so that
// the rules that must never be wrong can be tested exhaustively.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "configuration/codes.h"
#include "configuration/functions.h"

namespace kvr {

// The per-function members: live code (s1, led1, bl, dimch), module part (s1m),
// channel part (s1c), write value (s1w) and designation read from a file (s1desig).
// Backlighting and dimming have no separate write value: theirs is the live code.
struct AssignmentMembers {
    int16_t live = 0;
    int16_t module_part = 0;
    int16_t channel_part = 0;
    int16_t write = 0;
    std::string desig;

    int16_t& write_value(const FunctionRow& row) { return row.write_is_live ? live : write; }
};

struct ConfigurationModel {
    std::array<AssignmentMembers, kFunctionCount> functions{};

    // Intensity codes.
    int16_t blpercent = 0;
    int16_t indpercent = 0;
    int16_t dindpercent = 0;

    // Texts that travel with a configuration file.
    std::string panel;
    std::string rmodel;
    std::string wmodel;
    std::string blchan;
    std::string dimchan;
    std::string indpct;
    std::string blpct;
    std::string dindpct;

    // State shared by the panel transactions and the code split.
    int16_t timer_flag = 0;
    int16_t error_flag = 0;
    int16_t config_flag = 0;
    int16_t address_l = 0;
    int16_t data_l = 0;
    int16_t A = 0;
    int16_t m_index = 0;
    int16_t c_index = 0;

    // The text a file carries before a function's code: the designation of a switch or
    // LED (s1desig), the label of backlighting (blchan) and dimming (dimchan).
    std::string& file_text(int function);

    // Runs the code split on A, m_index and c_index.
    void code_split();

    // The integer member with a documented name ("s1", "led10c", "s3w", "bl", "dimchm",
    // "blpercent", "A", ...), or nullptr for an unknown name.
    int16_t* member(std::string_view name);
};

} // namespace kvr
