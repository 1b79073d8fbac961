// Starts kvr-config (as probed_window, which reports its first paint) and a bare Qt window
// alternately, several times each, and prints the median time from process start to the
// window's first paint and the median peak memory, with the ratios of the program to the
// bare window.
//
// usage: startup_bench PROBED_WINDOW BARE_WINDOW [RUNS]

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sample {
    double milliseconds;
    double peak_mib;
};

long long monotonic_ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool run_once(const char* program, Sample& sample) {
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = 0;
    const long long started = monotonic_ns();
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return false;
    }
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, n);
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto at = output.find("shown ");
    if (at == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    const long long shown = std::atoll(output.c_str() + at + 6);
    sample.milliseconds = (shown - started) / 1e6;
    sample.peak_mib = usage.ru_maxrss / 1024.0;
    return true;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROBED_WINDOW BARE_WINDOW [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 11;
    if (!getenv("QT_QPA_PLATFORM") && !getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<double> times[2], peaks[2];
    const char* programs[2] = {argv[1], argv[2]};
    for (int run = 0; run < runs + 1; ++run) {
        for (int which = 0; which < 2; ++which) {
            Sample sample{};
            if (!run_once(programs[which], sample)) {
                std::fprintf(stderr, "%s did not report its first paint\n", programs[which]);
                return 1;
            }
            if (run == 0) continue; // warms the file cache for both
            times[which].push_back(sample.milliseconds);
            peaks[which].push_back(sample.peak_mib);
        }
    }
    const double time[2] = {median(times[0]), median(times[1])};
    const double peak[2] = {median(peaks[0]), median(peaks[1])};
    std::printf("start-up to first paint, median of %d runs (platform %s)\n", runs,
                getenv("QT_QPA_PLATFORM") ? getenv("QT_QPA_PLATFORM") : "default");
    std::printf("  kvr-config   %8.1f ms   peak %7.1f MiB\n", time[0], peak[0]);
    std::printf("  bare window  %8.1f ms   peak %7.1f MiB\n", time[1], peak[1]);
    std::printf("  ratio        %8.2f      peak %7.2f\n", time[0] / time[1], peak[0] / peak[1]);
    return 0;
}
