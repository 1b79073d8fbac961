// Runs the fuzz target over mutated valid files and random bytes from a fixed seed, so
// that a failure repeats. Usage: fuzz_configuration_file [iterations]

#include "files/configuration_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Random = std::mt19937;

// Bytes that steer the reader into its different paths.
constexpr std::string_view telling_bytes = ",\"\r\n \t-+0123456789";

char random_byte(Random& random) {
    if (random() % 2 == 0) return telling_bytes[random() % telling_bytes.size()];
    return static_cast<char>(random() % 256);
}

std::string random_bytes(Random& random, std::size_t count) {
    std::string bytes(count, ' ');
    for (char& byte : bytes)
        byte = random_byte(random);
    return bytes;
}

// A file that reads: texts without inner quotes, numbers within 16 bits.
std::string random_valid_file(Random& random) {
    std::string file;
    for (std::size_t field = 1; field <= kvr::configuration_field_count; ++field) {
        if (field > 1) file += ',';
        if (field <= 2 || field % 2 == 1) {
            std::string text = random_bytes(random, random() % 6);
            std::erase(text, '"');
            file += '"' + text + '"';
        } else {
            file += std::to_string(static_cast<std::int16_t>(random()));
        }
    }
    return file + "\r\n";
}

void mutate(std::string& bytes, Random& random) {
    const auto at = [&] { return bytes.empty() ? 0 : random() % bytes.size(); };
    const auto start = at();
    switch (random() % 4) {
    case 0:
        bytes.insert(start, random_bytes(random, 1 + random() % 3));
        break;
    case 1:
        bytes.erase(start, random() % 8);
        break;
    case 2:
        bytes.insert(at(), bytes.substr(start, random() % 16));
        break;
    default:
        bytes.resize(start);
    }
}

} // namespace

int main(int argc, char** argv) {
    const long iterations = argc > 1 ? std::atol(argv[1]) : 300000;
    Random random(4410);
    std::vector<std::string> valid_files(64);
    for (auto& file : valid_files)
        file = random_valid_file(random);

    for (long i = 0; i < iterations; ++i) {
        std::string input;
        if (i % 10 == 0) {
            input = random_bytes(random, random() % 200);
        } else {
            input = valid_files[random() % valid_files.size()];
            for (auto mutations = random() % 6; mutations > 0; --mutations)
                mutate(input, random);
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    std::printf("%ld inputs, no invariant broken\n", iterations);
    return 0;
}
