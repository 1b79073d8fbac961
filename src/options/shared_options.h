#pragma once
// The options kvr-config and kvr-panel both take, declared once with their checks, so that
// each is accepted, refused and combined the same way by both programs. Adding one is a
// value of SharedOption, a row of kSharedOptions and, when it has a value, a line in
// read_shared_options.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include "panel/protocol.h"

namespace kvr::options {

enum class SharedOption { port, simulate, trace, log, no_log, company_log, reply_wait };

struct SharedOptionRow {
    SharedOption option;
    const char* name;
    const char* value_name;  // nullptr for an option without a value
    const char* config_help; // kvr-config's help; nullptr while kvr-config does not take it
    const char* panel_shown; // the option as kvr-panel's usage shows it
    const char* panel_help;
};

// clang-format off
inline constexpr SharedOptionRow kSharedOptions[] = {
    {SharedOption::port, "port", "DEVICE",
     "Uses DEVICE as serial port 1 (a USB adapter, a pseudo-terminal).",
     "--port DEVICE", "a serial port with a panel on it; repeat it for more panels"},
    // kvr-config simulates one panel, so it takes --simulate without a number.
    {SharedOption::simulate, "simulate", "N",
     "Starts a simulated panel inside the program and uses it as serial port 1.",
     "--simulate[=N]", "N panels simulated inside the program, instead of ports"},
    {SharedOption::trace, "trace", "FILE",
     "Writes every byte sent and received, per port, with the milliseconds since the start, to "
     "FILE.",
     "--trace FILE", "write every byte sent and received, per port, to FILE"},
    {SharedOption::log, "log", "FILE",
     "Records every read and write in the commissioning log FILE instead of the usual one.",
     "--log FILE", "the commissioning log to use instead of the usual one"},
    {SharedOption::no_log, "no-log", nullptr, "Records nothing in the commissioning log.",
     "--no-log", "record nothing in the commissioning log, read nothing"},
    {SharedOption::company_log, "company-log", "URL",
     "Pushes every entry to the company's PostgreSQL log URL "
     "(postgresql://[user@]host[:port]/dbname) in this run, instead of KVR_COMPANY_LOG or the one "
     "named in Panel, Company log; empty for none.",
     "--company-log URL",
     "the company's PostgreSQL log (postgresql://[user@]host[:port]/dbname), instead of\n"
     "KVR_COMPANY_LOG; entries are pushed to it after the local log has them"},
    {SharedOption::reply_wait, "reply-wait", "MS",
     "Waits MS milliseconds (100 to 2000) for each reply from the panel, for a slow panel or USB "
     "adapter, in this run (Panel, Line timing remembers it). The default is 100.",
     "--reply-wait MS",
     "how long to wait for each reply: 100 (the default) to 2000 ms, for a slow\n"
     "panel or USB adapter; the pauses between transactions stay 100 ms"},
};
// clang-format on

constexpr const SharedOptionRow& shared_option_row(SharedOption option) {
    for (const SharedOptionRow& row : kSharedOptions)
        if (row.option == option) return row;
    return kSharedOptions[0]; // every option has its row
}

// More simulated panels would only exhaust the pseudo-terminals of the machine.
inline constexpr int kMostSimulated = 64;

// The shared options' values, as the command line gives them once checked.
struct SharedValues {
    QStringList ports;
    int simulated = 0; // panels simulated inside the program instead of ports
    QString trace;
    std::optional<QString> log_option; // --log as given
    bool no_log = false;
    // The company log as --company-log names it (kvr-panel adds KVR_COMPANY_LOG).
    std::optional<QString> company_log;
    std::chrono::milliseconds reply_wait = tick;

    int panel_count() const { return simulated > 0 ? simulated : int(ports.size()); }
};

// The options of one program's parser that come from kSharedOptions.
using DeclaredOptions = std::vector<std::pair<SharedOption, QCommandLineOption>>;

// The option as kvr-config declares it (--simulate without a number), or as kvr-panel does.
QCommandLineOption config_option(SharedOption option);
QCommandLineOption panel_option(SharedOption option);

// "--NAME is given twice" when an option with a value is given more than once, else empty.
QString given_twice(const QCommandLineParser& parser, const QCommandLineOption& option);

// Reads the declared options the parser was given into values: why they are refused (a bad
// value, an option given twice, two that exclude each other), or empty when they are not.
QString read_shared_options(const QCommandLineParser& parser, const DeclaredOptions& declared,
                            SharedValues& values);

} // namespace kvr::options
