#pragma once
// The subcommands of kvr-panel, one function each; main.cpp holds the table that names
// them. Also what several of them share.

#include <optional>

#include "cli/invocation.h"
#include "files/configuration_file.h"

namespace kvr::cli {

ExitCode show_file(const Invocation& invocation);
ExitCode write_panels(const Invocation& invocation);
ExitCode read_panel(const Invocation& invocation);
ExitCode verify_panels(const Invocation& invocation);
ExitCode diff_files(const Invocation& invocation);

// The file's record, or nullopt once the reason it is refused has been printed.
std::optional<ConfigurationRecord> load_or_report(const QString& path);

// The configuration on standard output, as a table or as JSON.
void print_configuration(const ConfigurationRecord& record, bool json);

} // namespace kvr::cli
