#include "panel/protocol.h"

#include <algorithm>
#include <limits>

namespace kvr {

namespace {

bool is_ignored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string write_command(std::uint8_t location, std::uint8_t value) {
    return {write_opcode,    '\0', static_cast<char>(location), '\0', static_cast<char>(value),
            write_terminator};
}

std::string read_command(std::uint8_t location) {
    return {read_opcode, '\0', static_cast<char>(location), '0', '0', read_opcode};
}

LeadingNumber leading_number(std::string_view reply) {
    LeadingNumber number;
    bool sign_seen = false;
    bool point_seen = false;
    bool digit_seen = false;
    for (char c : reply) {
        if (is_ignored(c)) continue;
        if (!sign_seen && !point_seen && !digit_seen && (c == '+' || c == '-')) {
            sign_seen = true;
            number.negative = c == '-';
        } else if (!point_seen && c == '.') {
            point_seen = true;
        } else if (is_digit(c)) {
            digit_seen = true;
            (point_seen ? number.fraction_digits : number.integer_digits).push_back(c);
        } else {
            break;
        }
    }
    if (!digit_seen) return {};
    return number;
}

std::optional<std::int16_t> reply_value(const LeadingNumber& number) {
    if (!number.has_digits()) return std::nullopt;
    std::string_view integer = number.integer_digits;
    integer.remove_prefix(std::min(integer.find_first_not_of('0'), integer.size()));

    // Dividing by ten moves the last integer digit behind the point: it decides the
    // rounding, and the fraction digits only break a tie.
    const char first_dropped = integer.empty() ? '0' : integer.back();
    if (!integer.empty()) integer.remove_suffix(1);
    const bool rest_nonzero = number.fraction_digits.find_first_not_of('0') != std::string::npos;

    // Five digits hold every magnitude up to 99999, more than any 16-bit value; a longer
    // quotient cannot fit whatever the rounding does.
    if (integer.size() > 5) return std::nullopt;
    std::int32_t magnitude = 0;
    for (char c : integer)
        magnitude = magnitude * 10 + (c - '0');

    const bool odd = magnitude % 2 != 0;
    if (first_dropped > '5' || (first_dropped == '5' && (rest_nonzero || odd))) ++magnitude;

    const std::int32_t value = number.negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

} // namespace kvr
