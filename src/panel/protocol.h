// The serial protocol of the KVR switch panel: command bytes, reply thresholds and the
// conversion of a value reply. Standard C++ only, so that the program, the simulator and
// the tests share one definition of every byte on the line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvr {

// Line settings of serial port 1: 9600 baud, 8 data bits, no parity, 1 stop bit.
inline constexpr std::int32_t baud_rate = 9600;

// Every pause lasts one tick of the time-out timer, and so does every reply wait unless
// it is lengthened for a slow panel or adapter (never shortened, never beyond the longest).
inline constexpr std::chrono::milliseconds tick{100};
inline constexpr std::chrono::milliseconds shortest_reply_wait = tick;
inline constexpr std::chrono::milliseconds longest_reply_wait{2000};
constexpr bool is_reply_wait(std::chrono::milliseconds wait) {
    return wait >= shortest_reply_wait && wait <= longest_reply_wait;
}

// The attention handshake sends "A" at most this many times.
inline constexpr int attention_attempts = 6;

inline constexpr char attention = 'A';
inline constexpr std::string_view acknowledgement = "D000D";

// A reply wait ends as soon as this many characters have arrived (or on the tick).
inline constexpr std::size_t reply_wait_chars = 5;
// A value reply shorter than this is corrupted.
inline constexpr std::size_t min_reply_chars = 4;

inline constexpr std::size_t command_size = 6;
inline constexpr char write_opcode = 'S';
inline constexpr char write_terminator = 'D';
inline constexpr char read_opcode = 'V';

// "S", 0x00, location, 0x00, value, "D": six bytes, two of them NUL.
std::string write_command(std::uint8_t location, std::uint8_t value);
// "V", 0x00, location, "0", "0", "V".
std::string read_command(std::uint8_t location);

// The leading decimal number of a reply, kept as digit strings so that no length of
// reply can overflow anything.
struct LeadingNumber {
    bool negative = false;
    std::string integer_digits;  // digits before the decimal point, as received
    std::string fraction_digits; // digits after it
    bool has_digits() const { return !integer_digits.empty() || !fraction_digits.empty(); }
};

// Reads the leading number of a reply; whatever follows the number is ignored, so a reply
// reads the same whether its tail came with the digits or after them.
//  - Blanks, tabs and line feeds are ignored wherever they stand before the number ends
//    (" \t\n12" and "1 2" are both twelve); any other character ends it. That includes the
//    carriage return that ends the panel's replies: the number of "0120\r5" is 120.
//  - Then at most one sign ("+" or "-"), then digits with at most one decimal point:
//    "1.2.3" is 1.2, ".5" and "5." are numbers, "+-5" is no number.
//  - A sign or a point without any digit ("+", "-", ".", "-.") is no number.
//  - No exponent and no radix prefix: "1E3" is 1, "&H10" is no number.
LeadingNumber leading_number(std::string_view reply);

// The value of a reply's leading number: divided by ten and rounded to the nearest
// integer, an exact half to the even neighbour (125 -> 12, 135 -> 14, -5 -> 0, -15 -> -2).
// The rounding is done on the exact decimal digits, so "1205.0000000001" is 121, not 120.
// std::nullopt when the reply holds no value and the transaction has failed: there is no
// leading number (such a reply is not 0), or the result lies outside the 16-bit signed range.
std::optional<std::int16_t> reply_value(const LeadingNumber& number);

} // namespace kvr
