#pragma once
// The subcommands of kvr-panel, one function each; main.cpp holds the table that names
// them. Also what several of them share.

#include <optional>
#include <string>
#include <variant>

#include "cli/invocation.h"
#include "cli/port_result.h"
#include "configuration/configuration.h"

namespace kvr::cli {

ExitCode show_file(const Invocation& invocation);
ExitCode write_panels(const Invocation& invocation);
ExitCode read_panel(const Invocation& invocation);
ExitCode verify_panels(const Invocation& invocation);
ExitCode diff_files(const Invocation& invocation);
// which file of a site folder a panel holds
ExitCode identify_panel(const Invocation& invocation);
ExitCode draw_sheet(const Invocation& invocation);
ExitCode list_ports(const Invocation& invocation);
// ports --probe
ExitCode probe_ports(const Invocation& invocation);
ExitCode list_history(const Invocation& invocation);
ExitCode write_handover(const Invocation& invocation);
ExitCode import_site(const Invocation& invocation);
ExitCode export_site(const Invocation& invocation);
ExitCode check_site_folder(const Invocation& invocation);
ExitCode show_status(const Invocation& invocation);
// log check
ExitCode run_log_action(const Invocation& invocation);

// The configuration a file holds ("-": standard input), or nullopt once the reason it is
// refused has been printed. sha256, when given, receives the SHA-256 (hex) of the bytes read.
std::optional<Configuration> load_or_report(const QString& path, QString* sha256 = nullptr);

// The invocation's one panel as read: its result, what it holds (with the panel name
// given) when the read succeeded, and the run's exit code.
struct PanelRead {
    PortResult result;
    std::optional<Configuration> configuration;
    ExitCode code = done;
};
// Reads the invocation's one panel; the exit code of a setup failure once it is printed.
std::variant<PanelRead, ExitCode> read_one_panel(const Invocation& invocation,
                                                 const std::string& name);

} // namespace kvr::cli
