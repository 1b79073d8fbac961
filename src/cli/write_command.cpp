// kvr-panel write: programs every named panel with a file's configuration, all at once.

#include "cli/configuration.h"
#include "cli/output.h"
#include "cli/panel_gang.h"
#include "cli/progress_board.h"
#include "cli/subcommands.h"

namespace kvr::cli {

ExitCode write_panels(const Invocation& invocation) {
    const QString& path = invocation.files[0];
    const std::optional<Configuration> file = load_or_report(path);
    if (!file) return bad_input;
    // Refused as the window refuses it, before any port is opened.
    if (const std::optional<int16_t> incomplete = incomplete_selection(*file)) {
        print_error(path + QLatin1String(": ") +
                    (*incomplete == 1 ? StatusTexts::switches_incomplete
                                      : StatusTexts::leds_incomplete));
        return bad_input;
    }

    // What the window would program after opening the file.
    const Configuration programmed = programmed_with_notes(*file, path);
    const auto values = [&programmed](const Location& location) {
        return value_at(programmed, location);
    };
    const auto run =
        run_on_panels(invocation, [&values](PanelConversation& c) { c.start_write(values); },
                      {stdout, QStringLiteral("writing"), ProgressBoard::FinalLines::printed});
    if (const ExitCode* failure = std::get_if<ExitCode>(&run)) return *failure;
    const auto& results = std::get<std::vector<PortResult>>(run);
    report_failed_ports(results);
    return exit_code(results);
}

} // namespace kvr::cli
