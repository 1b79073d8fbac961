// Programs 1, 2, 4 and 8 simulated panels at once with the real kvr-panel program and
// prints, for each count, the median wall time as a ratio to one panel measured in the
// same run, and the program's CPU time (its simulated panels included) as a share of
// its wall time.
//
// usage: gang_bench [ROUNDS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "files/configuration_file.h"

extern char** environ;

namespace {

using Seconds = std::chrono::duration<double>;

constexpr int kPanelCounts[] = {1, 2, 4, 8};

struct Sample {
    double wall;
    double cpu;
};

double seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// Every function assigned, so that every location is written with a value of its own.
std::string write_sample_file() {
    kvr::ConfigurationRecord record;
    record.model = std::string(kvr::model_tag);
    record.panel_name = "BENCH";
    for (int f = 0; f < 22; ++f)
        record.functions[f] = {"", static_cast<std::int16_t>(f * 7)};
    record.indicator_intensity = {"", 10};
    record.backlighting_intensity = {"", 5};
    record.dimmed_intensity = {"", 2};
    const auto path = std::filesystem::temp_directory_path() /
                      ("gang_bench_" + std::to_string(getpid()) + ".kcf");
    std::ofstream(path, std::ios::binary) << *kvr::write_configuration(record);
    return path.string();
}

// Runs kvr-panel write on n simulated panels; false when it did not exit 0.
bool measure(const std::string& file, int panels, Sample& sample) {
    std::string simulate = "--simulate=" + std::to_string(panels);
    char* argv[] = {const_cast<char*>(KVR_PANEL), const_cast<char*>("write"),
                    const_cast<char*>(file.c_str()), simulate.data(), const_cast<char*>("--no-log"),
                    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, KVR_PANEL, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    sample.wall = Seconds(std::chrono::steady_clock::now() - start).count();
    sample.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median_wall(std::vector<Sample> samples) {
    std::sort(samples.begin(), samples.end(),
              [](const Sample& a, const Sample& b) { return a.wall < b.wall; });
    return samples[samples.size() / 2].wall;
}

} // namespace

int main(int argc, char* argv[]) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string file = write_sample_file();
    std::vector<std::vector<Sample>> samples(std::size(kPanelCounts));
    bool failed = false;
    // Counts interleaved, so that a slow spell of the machine spreads over all of them.
    for (int round = 0; round < rounds && !failed; ++round) {
        for (std::size_t i = 0; i < std::size(kPanelCounts) && !failed; ++i) {
            Sample sample{};
            failed = !measure(file, kPanelCounts[i], sample);
            samples[i].push_back(sample);
        }
    }
    std::filesystem::remove(file);
    if (failed) {
        std::fputs("gang_bench: kvr-panel write did not succeed\n", stderr);
        return 1;
    }
    const double one = median_wall(samples[0]);
    std::printf("panels  median wall  x one panel  CPU %% of wall  (%d rounds)\n", rounds);
    for (std::size_t i = 0; i < std::size(kPanelCounts); ++i) {
        double wall = 0, cpu = 0;
        for (const Sample& s : samples[i]) {
            wall += s.wall;
            cpu += s.cpu;
        }
        const double median = median_wall(samples[i]);
        std::printf("%6d  %9.3f s  %11.3f  %13.2f\n", kPanelCounts[i], median, median / one,
                    100 * cpu / wall);
    }
    return 0;
}
