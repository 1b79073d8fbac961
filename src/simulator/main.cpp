// kvr-panel-sim: a simulated KVR switch panel on a pseudo-terminal, for trying the program
// and testing it without hardware.
#include "simulator/pty_host.h"
#include "system/simulator_registry.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using kvr::sim::PanelSettings;

constexpr const char* usage_text = R"(Usage: kvr-panel-sim [OPTION]...
Simulates the KVR 10-button switch panel on a pseudo-terminal. Prints the terminal's
device path on the first line of standard output, then answers on it until ended by
SIGINT or SIGTERM.

  --link PATH            also make PATH a symbolic link to the device (removed on exit)
  --transcript FILE      write every command received and reply sent to FILE, a line each
  --model CODE           model code held at location 63 (default 70)
  --assignments VALUE    initial value of locations 0..21 (default 160)
  --intensities VALUE    initial value of locations 22..24 (default 10)
  --set LOC=VALUE        initial value of one location 0..63 (repeatable)
  --help                 show this text
  --version              show the program's version

Faults (any number at once; LOC is a location 0..63 or "all"; repeatable where it takes LOC):
  --silent               never answer
  --answer-attention K   answer only the K-th attention character "A" of each handshake
  --no-write-ack LOC     neither store nor acknowledge a write at LOC
  --ack-extra LOC        acknowledge a write at LOC with "D000D" and a carriage return
  --short-read LOC       answer a read of LOC with its first 3 characters only
  --read-differs LOC     answer a read of LOC with one more than is stored
  --raw-read LOC=TEXT    answer a read of LOC with exactly TEXT
  --delay MS             send every reply, attention replies included, MS milliseconds late
  --attention-delay MS   send attention replies MS milliseconds later still (a slow wake-up)
  --hang-up-after K      drop the line after K commands
  --noise TEXT           send TEXT just before every attention reply (the program then
                         takes no handshake as answered: its reply is not exactly "D000D")
  --split-reply MS[@LOC] send the last character of every reply MS milliseconds after the
                         rest; with @LOC only of replies to reads and writes at LOC, with
                         @A only of attention replies (repeatable)
  --split-tail N         hold back the last N characters of a split reply (default 1)
  --pad-reply N[@LOC]    follow every read reply (with @LOC: every read of LOC) by N "X"s
  --chatter MS           send an "X" every MS milliseconds, whatever else goes on
  --unplug-after K       after every K-th command, answer nothing for a while (the panel is
                         taken out of its fixture), then answer as a new panel put in, with
                         the locations as they started
  --unplugged-for MS     how long the panel stays out (default 2000)

TEXT may hold the escapes \r \n \t \\ and \xHH.
)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long parse_number(std::string_view text, long low, long high, std::string_view what) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low ||
        value > high)
        throw UsageError(std::string(what) + " must be a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ", not \"" + std::string(text) + "\"");
    return value;
}

int parse_location(std::string_view text) {
    return static_cast<int>(parse_number(text, 0, kvr::sim::location_count - 1, "a location"));
}

std::uint8_t parse_byte(std::string_view text) {
    return static_cast<std::uint8_t>(parse_number(text, 0, 255, "a value"));
}

void add_locations(std::set<int>& set, std::string_view text) {
    if (text == "all") {
        for (int n = 0; n < kvr::sim::location_count; ++n)
            set.insert(n);
    } else {
        set.insert(parse_location(text));
    }
}

std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) throw UsageError("TEXT ends with a lone backslash");
        switch (text[i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            const std::string_view hex = text.substr(i + 1, 2);
            unsigned value = 0;
            const auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
            if (hex.size() != 2 || ec != std::errc() || end != hex.data() + 2)
                throw UsageError("\\x must be followed by two hexadecimal digits");
            out += static_cast<char>(value);
            i += 2;
            break;
        }
        default:
            throw UsageError(std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

std::pair<std::string_view, std::string_view> split_pair(std::string_view text,
                                                         std::string_view form) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos)
        throw UsageError(std::string(form) + ", not \"" + std::string(text) + "\"");
    return {text.substr(0, eq), text.substr(eq + 1)};
}

// "VALUE" or "VALUE@LOC": a fault's value and the location it is limited to, if any.
std::pair<std::string_view, std::optional<std::string_view>> split_at_sign(std::string_view text) {
    const auto at = text.find('@');
    if (at == std::string_view::npos) return {text, std::nullopt};
    return {text.substr(0, at), text.substr(at + 1)};
}

std::chrono::milliseconds parse_ms(std::string_view text, long low) {
    return std::chrono::milliseconds(parse_number(text, low, 600000, "MS"));
}

struct Options {
    PanelSettings settings;
    std::string link;
    std::string transcript;
    bool help = false;
    bool version = false;
};

Options parse_options(int argc, char** argv) {
    Options o;
    auto& f = o.settings.faults;
    f.unplugged_for = std::chrono::milliseconds(2000);
    std::vector<std::pair<int, std::uint8_t>> sets;
    using Handler = std::function<void(std::string_view)>;
    const std::vector<std::pair<std::string_view, Handler>> with_value = {
        {"--link", [&](auto v) { o.link = v; }},
        {"--transcript", [&](auto v) { o.transcript = v; }},
        {"--model", [&](auto v) { o.settings.model_code = parse_byte(v); }},
        {"--assignments", [&](auto v) { o.settings.assignment_value = parse_byte(v); }},
        {"--intensities", [&](auto v) { o.settings.intensity_value = parse_byte(v); }},
        {"--set",
         [&](auto v) {
             const auto [loc, value] = split_pair(v, "--set takes LOC=VALUE");
             sets.emplace_back(parse_location(loc), parse_byte(value));
         }},
        {"--answer-attention",
         [&](auto v) {
             f.answer_attention_only = static_cast<int>(parse_number(v, 1, 1000000, "K"));
         }},
        {"--no-write-ack", [&](auto v) { add_locations(f.no_write_ack, v); }},
        {"--ack-extra", [&](auto v) { add_locations(f.ack_extra_char, v); }},
        {"--short-read", [&](auto v) { add_locations(f.short_read, v); }},
        {"--read-differs", [&](auto v) { add_locations(f.read_differs, v); }},
        {"--raw-read",
         [&](auto v) {
             const auto [loc, text] = split_pair(v, "--raw-read takes LOC=TEXT");
             f.raw_read[parse_location(loc)] = unescape(text);
         }},
        {"--delay", [&](auto v) { f.reply_delay = parse_ms(v, 0); }},
        {"--attention-delay", [&](auto v) { f.attention_delay = parse_ms(v, 0); }},
        {"--hang-up-after",
         [&](auto v) { f.hang_up_after = static_cast<int>(parse_number(v, 1, 1000000, "K")); }},
        {"--noise", [&](auto v) { f.attention_noise = unescape(v); }},
        {"--split-reply",
         [&](auto v) {
             const auto [ms, loc] = split_at_sign(v);
             f.split_delay = parse_ms(ms, 1);
             if (loc == "A")
                 f.split_attention = true;
             else if (loc)
                 add_locations(f.split_at, *loc);
         }},
        {"--split-tail",
         [&](auto v) { f.split_tail = static_cast<std::size_t>(parse_number(v, 1, 1000, "N")); }},
        {"--pad-reply",
         [&](auto v) {
             const auto [n, loc] = split_at_sign(v);
             const auto count = static_cast<std::size_t>(parse_number(n, 1, 1000, "N"));
             std::set<int> at;
             add_locations(at, loc.value_or("all"));
             for (int l : at)
                 f.pad_read[l] = count;
         }},
        {"--chatter", [&](auto v) { f.chatter_interval = parse_ms(v, 1); }},
        {"--unplug-after",
         [&](auto v) { f.unplug_after = static_cast<int>(parse_number(v, 1, 1000000, "K")); }},
        {"--unplugged-for", [&](auto v) { f.unplugged_for = parse_ms(v, 1); }},
    };
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        if (arg == "--version") {
            o.version = true;
            continue;
        }
        if (arg == "--silent") {
            f.silent = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const auto it = std::find_if(with_value.begin(), with_value.end(),
                                     [&](const auto& h) { return h.first == name; });
        if (it == with_value.end()) throw UsageError("unknown option \"" + std::string(arg) + "\"");
        if (!value) {
            if (i + 1 == argc) throw UsageError(std::string(name) + " needs a value");
            value = argv[++i];
        }
        it->second(*value);
    }
    for (const auto& [loc, value] : sets)
        o.settings.initial_values[loc] = value;
    return o;
}

// Makes `link` point at `target`, replacing an older symbolic link but never a file.
void make_link(const std::string& link, const std::string& target) {
    char old[4096];
    if (::readlink(link.c_str(), old, sizeof old) >= 0) {
        ::unlink(link.c_str());
    } else if (errno != ENOENT) {
        throw std::runtime_error("--link " + link + ": exists and is not a symbolic link");
    }
    if (::symlink(target.c_str(), link.c_str()) != 0)
        throw std::runtime_error("--link " + link + ": " + std::strerror(errno));
}

void remove_link(const std::string& link, const std::string& target) {
    char old[4096];
    const ssize_t n = ::readlink(link.c_str(), old, sizeof old - 1);
    if (n >= 0 && std::string_view(old, static_cast<std::size_t>(n)) == target)
        ::unlink(link.c_str());
}

// Makes the line known as a simulated panel's to kvr-config and kvr-panel: the registry
// file that names it, removed again when the simulator ends.
class Registration {
  public:
    explicit Registration(const std::string& device) {
        const std::string folder = kvr::simulator_registry_folder(std::getenv("XDG_RUNTIME_DIR"),
                                                                  std::to_string(::getuid()));
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("the registry folder " + folder + ": " + std::strerror(errno));
        struct stat info {};
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::getuid())
            throw std::runtime_error("the registry folder " + folder + " is not this user's");
        path_ = folder + "/" + std::to_string(::getpid());
        std::ofstream file(path_, std::ios::trunc);
        file << device << "\n";
        if (!file.flush())
            throw std::runtime_error("the registry file " + path_ + " cannot be written");
    }
    ~Registration() { ::unlink(path_.c_str()); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

  private:
    std::string path_;
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parse_options(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "kvr-panel-sim: " << e.what() << "\nTry 'kvr-panel-sim --help'.\n";
        return 2;
    }
    if (options.help || options.version) {
        std::cout << (options.help ? usage_text : "kvr-panel-sim " KVR_VERSION "\n") << std::flush;
        if (std::cout) return 0;
        std::cerr << "kvr-panel-sim: standard output could not be written\n";
        return 1;
    }

    // Signals are taken by sigwait below; the host's thread inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::FILE* transcript = nullptr;
    if (!options.transcript.empty()) {
        transcript = std::fopen(options.transcript.c_str(), "w");
        if (!transcript) {
            std::cerr << "kvr-panel-sim: --transcript " << options.transcript << ": "
                      << std::strerror(errno) << "\n";
            return 1;
        }
    }
    const auto origin = kvr::sim::Clock::now();
    int status = 0;
    try {
        kvr::sim::PtyHost host(options.settings, [&](const kvr::sim::TranscriptEntry& e) {
            if (!transcript) return;
            std::fprintf(transcript, "%s\n", kvr::sim::to_text(e, origin).c_str());
            std::fflush(transcript);
        });
        const Registration registration(host.slave_path());
        if (!options.link.empty()) make_link(options.link, host.slave_path());
        std::cout << host.slave_path() << std::endl;

        int signal = 0;
        sigwait(&signals, &signal);
        host.stop();
        if (!options.link.empty()) remove_link(options.link, host.slave_path());
    } catch (const std::exception& e) {
        std::cerr << "kvr-panel-sim: " << e.what() << "\n";
        status = 1;
    }
    if (transcript) std::fclose(transcript);
    return status;
}
