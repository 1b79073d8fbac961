#include "configuration/configuration_model.h"

namespace kvr {

void ConfigurationModel::code_split() {
    const CodeSplit split = split_code(A, c_index);
    A = split.A;
    m_index = split.m_index;
    c_index = split.c_index;
}

std::string& ConfigurationModel::file_text(int function) {
    if (function == kBacklighting) return blchan;
    if (function == kDimming) return dimchan;
    return functions[function].desig;
}

namespace {

// Suffixes of the per-function members after the function's own name ("s1" + "m").
int16_t* function_member(AssignmentMembers& values, const FunctionRow& row,
                         std::string_view suffix) {
    if (suffix.empty()) return &values.live;
    if (suffix == "m") return &values.module_part;
    if (suffix == "c") return &values.channel_part;
    if (suffix == "w" && !row.write_is_live) return &values.write;
    return nullptr;
}

} // namespace

int16_t* ConfigurationModel::member(std::string_view name) {
    const std::pair<std::string_view, int16_t*> scalars[] = {
        {"blpercent", &blpercent},   {"indpercent", &indpercent}, {"dindpercent", &dindpercent},
        {"timer_flag", &timer_flag}, {"error_flag", &error_flag}, {"config_flag", &config_flag},
        {"address_l", &address_l},   {"data_l", &data_l},         {"A", &A},
        {"m_index", &m_index},       {"c_index", &c_index},
    };
    for (const auto& [scalar_name, value] : scalars)
        if (scalar_name == name) return value;

    for (int f = 0; f < kFunctionCount; ++f) {
        const std::string_view base = kFunctions[f].member;
        if (!name.starts_with(base)) continue;
        // "s10" also starts with "s1", but its remainder "0" names no member of SW1.
        if (int16_t* value = function_member(functions[f], kFunctions[f], name.substr(base.size())))
            return value;
    }
    return nullptr;
}

} // namespace kvr
