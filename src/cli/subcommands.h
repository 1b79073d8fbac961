#pragma once
// The subcommands of kvr-panel, one function each; main.cpp holds the table that names
// them. Also what several of them share.

#include <optional>
#include <string>
#include <variant>

#include "cli/invocation.h"
#include "configuration/configuration.h"

namespace kvr::cli {

ExitCode show_file(const Invocation& invocation);
ExitCode write_panels(const Invocation& invocation);
ExitCode read_panel(const Invocation& invocation);
ExitCode verify_panels(const Invocation& invocation);
ExitCode diff_files(const Invocation& invocation);
ExitCode draw_sheet(const Invocation& invocation);

// The configuration a file holds, or nullopt once the reason it is refused has been printed.
std::optional<Configuration> load_or_report(const QString& path);

// What a panel holds, as read, with the panel name given, and the device it is on.
struct PanelRead {
    Configuration configuration;
    QString device;
};
// Reads the invocation's one panel; on failure, the exit code once the reason is printed.
std::variant<PanelRead, ExitCode> read_one_panel(const Invocation& invocation,
                                                 const std::string& name);

// The configuration on standard output, as a table or as JSON.
void print_configuration(const Configuration& configuration, bool json);

} // namespace kvr::cli
