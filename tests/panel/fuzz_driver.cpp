// Drives the reply value fuzz target without libFuzzer: a fixed seed, random and
// number-shaped inputs, and mutations of known hard cases. Each input lives in a buffer of
// its exact size, so a sanitizer sees any read past its end.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

const std::vector<std::string> seeds = {"0120\r",
                                        "1600\r",
                                        "125",
                                        "135",
                                        "1205",
                                        "1215",
                                        "-5",
                                        "-15",
                                        "327674",
                                        "327675",
                                        "-327685",
                                        "-327686",
                                        "-327695",
                                        "327674.9999",
                                        "1205.00000000001",
                                        " \t\n12",
                                        "1.2.3",
                                        "+",
                                        "-",
                                        ".",
                                        "-.5",
                                        "D000D",
                                        "99999999999999999999999"};

constexpr char alphabet[] = "0123456789012345678901234567890123456789"
                            "..++--  \t\t\n\n\r\rAVDxE";

void run(const std::string& input) {
    auto buffer = std::make_unique<std::uint8_t[]>(input.size() + 1);
    std::copy(input.begin(), input.end(), buffer.get());
    LLVMFuzzerTestOneInput(buffer.get(), input.size());
}

} // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 300000;
    std::mt19937 rng(20240611);
    auto below = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    auto any_byte = [&] { return static_cast<char>(below(256)); };
    auto likely_byte = [&] {
        return below(8) == 0 ? any_byte() : alphabet[below(sizeof alphabet - 1)];
    };

    for (const std::string& s : seeds)
        run(s);
    for (long i = 0; i < count; ++i) {
        std::string input;
        switch (below(4)) {
        case 0: // random bytes, mostly ones a number is made of
            for (std::size_t n = below(24); n > 0; --n)
                input += likely_byte();
            break;
        case 1: { // number-shaped near the 16-bit ends and the halves
            if (below(3) == 0) input += " \t\n"[below(3)];
            if (below(2) == 0) input += "+-"[below(2)];
            const long centre = below(2) ? 327675 : static_cast<long>(below(2000));
            input += std::to_string(centre + static_cast<long>(below(41)) - 20);
            if (below(2) == 0) {
                input += '.';
                for (std::size_t n = below(16); n > 0; --n)
                    input += below(4) ? '0' : likely_byte();
            }
            if (below(2) == 0) input += '\r';
            break;
        }
        case 2: { // mutated seed
            input = seeds[below(seeds.size())];
            for (std::size_t n = 1 + below(3); n > 0; --n) {
                const std::size_t at = input.empty() ? 0 : below(input.size() + 1);
                switch (below(3)) {
                case 0:
                    input.insert(at, 1, likely_byte());
                    break;
                case 1:
                    if (at < input.size()) input.erase(at, 1);
                    break;
                default:
                    if (at < input.size()) input[at] = likely_byte();
                    break;
                }
            }
            break;
        }
        default: // long runs of zeros or nines around a seed
            if (below(64) != 0) {
                input = std::string(below(8), '0') + seeds[below(seeds.size())];
            } else {
                const std::string run_of(100 + below(3000), below(2) ? '0' : '9');
                input = below(2) ? run_of + "1205" : "1205." + run_of + "1";
            }
            break;
        }
        run(input);
    }
    std::printf("reply value fuzz: %ld inputs checked\n", count + static_cast<long>(seeds.size()));
    return 0;
}
