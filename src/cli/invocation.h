#pragma once
// The command line of kvr-panel: the exit codes scripts rely on (shared with kvr-config), the
// options of the subcommands, and the table row that describes one subcommand. Adding a subcommand
// is one function and one row in main.cpp.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstddef>
#include <optional>

#include "options/exit_code.h"
#include "options/shared_options.h"
#include "panel/protocol.h"
#include "panel/serial_ports.h"
#include "sheet/sheet.h"

namespace kvr::cli {

using ExitCode = options::ExitCode;
using enum options::ExitCode;

// The options a subcommand may take, as bits of Subcommand::options.
enum Option : unsigned {
    port = 1U << 0,
    simulate = 1U << 1,
    trace = 1U << 2,
    output = 1U << 3,
    name = 1U << 4,
    json = 1U << 5,
    log_file = 1U << 6,    // --log FILE and --no-log
    site_fields = 1U << 7, // --site, --room, --job, --installer, --company
    filters = 1U << 8,     // --panel, --device, --since
    csv = 1U << 9,
    require_verified = 1U << 10,
    reply_wait = 1U << 11,
    json_lines = 1U << 12,
    watch = 1U << 13,
    probe = 1U << 14,
    output_folder = 1U << 15, // -o names a folder to save files in (import), not a file
    force = 1U << 16,
    station_role = 1U << 17, // log init-company's role for the stations
    printing = 1U << 18,     // --print and --printer NAME
    report = 1U << 19,       // verify's as-found report
};
inline constexpr unsigned panel_options = port | simulate | trace | reply_wait;

// How many panels a subcommand talks to.
// file_or_one: either one file (file_count 1) or one panel, not both.
enum class Panels { none, one, many, file_or_one };

// What a subcommand is given, parsed and checked: the options kvr-config takes too, and
// kvr-panel's own.
struct Invocation : options::SharedValues {
    QStringList files;             // the positional arguments, in order
    std::optional<QString> output; // "-": standard output
    std::optional<QString> report; // verify's as-found report (PDF)
    std::optional<QString> name;
    bool json = false;
    bool json_lines = false; // one JSON object per port result, as each port finishes
    // The commissioning log as --log, --no-log and KVR_LOG resolve it; nullopt: turned off.
    // The company log (company_log) is --company-log's, else KVR_COMPANY_LOG's; nullopt: none.
    std::optional<QString> log;
    QString station_role = QStringLiteral("kvr_station");
    SheetSite site;
    std::optional<QString> panel_filter; // given, perhaps empty
    std::optional<QString> device_filter;
    std::optional<QString> since;
    bool csv = false;
    bool require_verified = false;
    bool output_is_folder = false;
    bool output_is_configuration = false; // -o saves a .kcf (read); else a PDF or a schedule
    bool force = false;
    bool watch = false; // a fixture: panel after panel
    bool probe = false; // ports: ask each port for a panel
    bool print = false;  // send the document to a printer too
    QString printer;     // the printer; empty: the system's default
};

struct Subcommand {
    const char* name;
    const char* synopsis;    // the arguments after the name, as the usage shows them
    const char* description; // one line
    int file_count;          // positional arguments, all required; -1: one or more
    unsigned options;
    Panels panels;
    ExitCode (*run)(const Invocation& invocation);
    bool compares = false;          // may exit with differs
    bool finds = false;             // may exit with differs when a check finds something
    const char* exit_one = nullptr; // what exit status 1 means for it, beyond the above
};

struct ParsedArguments {
    Invocation invocation;
    QString error;     // not empty: the arguments are bad, and this says why
    bool help = false; // --help was given: nothing else was checked
};

// Parses the arguments that follow the subcommand's name. Ports not given come from
// KVR_PORT in the environment (one or several, separated by commas); the log from KVR_LOG
// when neither --log nor --no-log is given.
ParsedArguments parse_arguments(const Subcommand& command, QStringList arguments,
                                const QProcessEnvironment& environment);

// The usage of one subcommand, or of the program with the given table.
QString subcommand_usage(const Subcommand& command);
QString program_usage(const Subcommand* commands, std::size_t count);

} // namespace kvr::cli
