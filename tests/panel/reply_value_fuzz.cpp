// Fuzz target for the reply value conversion: it never crashes, whatever it returns equals
// a slow reference computed another way (whitespace removed first, then integer arithmetic
// on a scaled value) and survives a re-parse of its own decimal form, and anything after a
// carriage return leaves it unchanged.
#include "panel/protocol.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::optional<std::int16_t> reference_value(const std::string& reply) {
    std::string text;
    for (char c : reply)
        if (c != ' ' && c != '\t' && c != '\n') text += c;

    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string integer, fraction;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            (point ? fraction : integer) += c;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (integer.empty() && fraction.empty()) return std::nullopt;

    while (!integer.empty() && integer[0] == '0')
        integer.erase(0, 1);
    if (integer.size() > 7) return std::nullopt; // |number| >= 10^7, so |value| >= 10^6

    // X = number * 10^10, exactly for the first ten fraction digits; the rest only tell
    // whether anything lies beyond.
    std::int64_t x = integer.empty() ? 0 : std::stoll(integer);
    for (std::size_t k = 0; k < 10; ++k)
        x = x * 10 + (k < fraction.size() ? fraction[k] - '0' : 0);
    bool beyond = false;
    for (std::size_t k = 10; k < fraction.size(); ++k)
        beyond |= fraction[k] != '0';

    constexpr std::int64_t divisor = 100'000'000'000; // 10 * 10^10
    std::int64_t q = x / divisor;
    const std::int64_t twice_r = 2 * (x % divisor);
    if (twice_r > divisor || (twice_r == divisor && (beyond || q % 2 != 0))) ++q;
    const std::int64_t value = negative ? -q : q;
    if (value < -32768 || value > 32767) return std::nullopt;
    return static_cast<std::int16_t>(value);
}

[[noreturn]] void fail(const std::string& input, const char* what) {
    std::fprintf(stderr, "reply value fuzz: %s for input of %zu bytes:", what, input.size());
    for (std::size_t i = 0; i < input.size() && i < 200; ++i)
        std::fprintf(stderr, " %02x", static_cast<unsigned char>(input[i]));
    std::fprintf(stderr, "\n");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto value_of = [](const std::string& reply) {
        return kvr::reply_value(kvr::leading_number(reply));
    };
    const auto value = value_of(input);
    if (value != reference_value(input)) fail(input, "differs from the reference");
    // A reply's tail after a carriage return, with it or arriving later, changes nothing.
    if (value_of(input + '\r' + input) != value) fail(input, "changed by a tail after CR");
    if (value) {
        // Ten times the value, as the panel would send it, reads back as the value.
        const std::string again = std::to_string(*value * 10);
        if (value_of(again) != value) fail(input, "does not survive a re-parse");
    }
    return 0;
}
