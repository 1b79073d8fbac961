// Runs the fuzz target over mutated valid files and random bytes from a fixed seed, so
// that a failure repeats. Usage: fuzz_configuration_file [iterations]

#include "files/configuration_file.h"

#include <cstdint>
#include <cstdio>
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

std::string random_text(Random& random) {
    std::string text(random() % 6, ' ');
    for (char& c : text) {
        do
            c = random_byte(random);
        while (c == '"');
    }
    return text;
}

std::string random_valid_file(Random& random) {
    const auto number = [&random] { return static_cast<std::int16_t>(random()); };
    kvr::ConfigurationRecord record;
    record.model = kvr::model_tag;
    record.panel_name = random_text(random);
    for (auto& function : record.functions)
        function = {random_text(random), number()};
    for (auto* pair :
         {&record.indicator_intensity, &record.backlighting_intensity, &record.dimmed_intensity})
        *pair = {random_text(random), number()};
    return kvr::write_configuration(record).value();
}

void mutate(std::string& bytes, Random& random) {
    const auto at = [&] { return bytes.empty() ? 0 : random() % bytes.size(); };
    switch (random() % 5) {
    case 0:
        if (!bytes.empty()) bytes[at()] = random_byte(random);
        break;
    case 1:
        bytes.insert(bytes.begin() + at(), random_byte(random));
        break;
    case 2: {
        const auto start = at();
        bytes.erase(start, random() % 8);
        break;
    }
    case 3: {
        const auto start = at();
        bytes.insert(at(), bytes.substr(start, random() % 16));
        break;
    }
    default:
        bytes.resize(at());
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
            input.resize(random() % 200);
            for (char& c : input)
                c = random_byte(random);
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
