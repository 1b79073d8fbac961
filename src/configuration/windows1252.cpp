#include "configuration/windows1252.h"

#include <algorithm>
#include <array>

namespace kvr {
namespace {

// The characters of bytes 0x80..0x9F; all other bytes are the character of the same value.
constexpr std::array<char16_t, 32> characters_80_to_9f = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t first_remapped = 0x80;
constexpr char16_t last_byte = 0xFF;

bool is_remapped_byte(char16_t value) {
    return value >= first_remapped && value < first_remapped + characters_80_to_9f.size();
}

char16_t character_of(unsigned char byte) {
    return is_remapped_byte(byte) ? characters_80_to_9f[byte - first_remapped] : byte;
}

std::optional<unsigned char> byte_of(char16_t character) {
    if (character <= last_byte && !is_remapped_byte(character))
        return static_cast<unsigned char>(character);
    const auto remapped = std::ranges::find(characters_80_to_9f, character);
    if (remapped == characters_80_to_9f.end()) return std::nullopt;
    return static_cast<unsigned char>(first_remapped + (remapped - characters_80_to_9f.begin()));
}

} // namespace

std::u16string from_windows1252(std::string_view bytes) {
    std::u16string text(bytes.size(), u'\0');
    std::ranges::transform(bytes, text.begin(), [](char byte) {
        return character_of(static_cast<unsigned char>(byte));
    });
    return text;
}

std::optional<std::string> to_windows1252(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t character : text) {
        const auto byte = byte_of(character);
        if (!byte) return std::nullopt;
        bytes += static_cast<char>(*byte);
    }
    return bytes;
}

} // namespace kvr
