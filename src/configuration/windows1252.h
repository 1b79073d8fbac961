#pragma once

// The configuration file's 8-bit text is Windows-1252. UTF-16 on the other side, as
// QString::fromStdU16String and QString::toStdU16String take and give it.

#include <optional>
#include <string>
#include <string_view>

namespace kvr {

// Every byte has a character: the five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 control characters of the same value, so any file's
// bytes come back unchanged when written again.
std::u16string from_windows1252(std::string_view bytes);

// nullopt when a character has no byte.
std::optional<std::string> to_windows1252(std::u16string_view text);

} // namespace kvr
