#include "configuration/texts.h"

#include <algorithm>

#include "configuration/windows1252.h"

namespace kvr {

bool carried_in_file_text(char16_t character) {
    const bool control = character < u' ' || character == u'\x7F';
    return !control && character != u'"' && to_windows1252(std::u16string_view(&character, 1));
}

std::optional<char16_t> first_not_carried(std::u16string_view text) {
    const auto found = std::ranges::find_if_not(text, carried_in_file_text);
    return found == text.end() ? std::nullopt : std::optional<char16_t>(*found);
}

std::optional<char16_t> first_not_on_one_line(std::u16string_view text) {
    const auto found = std::ranges::find_if(text, [](char16_t c) {
        return c < u' ' || (c >= u'\x7F' && c <= u'\x9F') || c == u'\x2028' || c == u'\x2029';
    });
    return found == text.end() ? std::nullopt : std::optional<char16_t>(*found);
}

std::string carried_file_text(std::string_view file_text) {
    const std::u16string characters = from_windows1252(file_text); // one per byte
    std::string kept;
    for (std::size_t i = 0; i < file_text.size(); ++i)
        if (carried_in_file_text(characters[i])) kept += file_text[i];
    return kept;
}

std::optional<std::string> panel_name_refusal(std::u16string_view name, std::size_t longest) {
    if (!std::ranges::all_of(name, carried_in_file_text))
        return "THE PANEL NAME HOLDS A CHARACTER THAT A CONFIGURATION FILE CANNOT CARRY";
    if (name.size() > longest)
        return "THE PANEL NAME IS LONGER THAN " + std::to_string(longest) + " CHARACTERS";
    return std::nullopt;
}

const char* lighting_caption(int function) {
    return function == kBacklighting ? "BACKLIGHT" : "DIMMING";
}

const char* intensity_caption(Intensity which) {
    switch (which) {
    case Intensity::Backlighting:
        return "NORMAL BACKLIGHTING (%)";
    case Intensity::Indicator:
        return "NORMAL INDICATOR (%)";
    case Intensity::Dimmed:
        break;
    }
    return "DIMMED BACKLIGHTING AND INDICATOR (%)";
}

} // namespace kvr
