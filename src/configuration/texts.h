#pragma once
// Which texts a configuration carries: the characters a name or designation may hold, the
// panel name's typed length, and the fixed captions a file holds before the lighting
// values. Standard C++ only; the characters are UTF-16 code units as Qt gives them.

#include <optional>
#include <string>
#include <string_view>

#include "configuration/functions.h"

namespace kvr {

// What a designation box holds until the operator types in it; a file keeps it, the sheet
// leaves such a designation blank.
inline constexpr const char* kDesignationStartText = "DESIGNATION ";

// A name or designation holds only characters that a file carries back unchanged: each has
// a Windows-1252 byte, and none is a control character (a tab or a line end would not come
// back from the file as it went in) or the double quote (which ends the quoted text). The
// five bytes Windows-1252 leaves undefined stand for characters of their own and are kept.
bool carried_in_file_text(char16_t character);

// The first character of text that a file cannot carry, or nullopt when it carries them all.
std::optional<char16_t> first_not_carried(std::u16string_view text);

// A text printed on one line (a room, the site's fields on a sheet) holds no control
// character (a line end, a tab, ESC) and no line or paragraph separator, any of which would
// break or overprint its line. The first such character, or nullopt.
std::optional<char16_t> first_not_on_one_line(std::u16string_view text);

// A file's text without the bytes whose characters it may not hold.
std::string carried_file_text(std::string_view file_text);

// A panel name is typed with at most this many characters; one read from a file is kept
// whole, however long.
inline constexpr std::size_t kPanelNameTypedLength = 12;

// Why a panel name given outside the window cannot be used, or nothing when it can: the
// rules the panel name box keeps while the operator types.
std::optional<std::string> panel_name_refusal(std::u16string_view name,
                                              std::size_t longest = kPanelNameTypedLength);

// The caption a file carries before the backlighting's and the dimming's code (which have
// no designation), and before each intensity code; the window shows them as its labels.
const char* lighting_caption(int function);
const char* intensity_caption(Intensity which);

} // namespace kvr
