// Fuzz target for the configuration file reader; runs under libFuzzer or fuzz_driver.cpp.

#include "files/configuration_file.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool holds_double_quote(const kvr::ConfigurationRecord& record) {
    const auto quoted = [](const std::string& text) { return text.find('"') != std::string::npos; };
    bool any = quoted(record.model) || quoted(record.panel_name);
    for (const auto* pair :
         {&record.indicator_intensity, &record.backlighting_intensity, &record.dimmed_intensity})
        any = any || quoted(pair->text);
    for (const auto& function : record.functions)
        any = any || quoted(function.text);
    return any;
}

void require(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kvr::ReadResult result = kvr::read_configuration(bytes);
    if (const auto* failure = std::get_if<kvr::ReadFailure>(&result)) {
        require(failure->field >= 1 && failure->field <= kvr::configuration_field_count);
        return 0;
    }
    const auto& record = std::get<kvr::ConfigurationRecord>(result);
    const auto written = kvr::write_configuration(record);
    require(written.has_value() != holds_double_quote(record));
    if (written) require(kvr::read_configuration(*written) == result);
    return 0;
}
