// kvr-panel verify and diff: where a panel differs from a file, and a file from another.

#include "cli/comparison.h"
#include "cli/configuration.h"
#include "cli/output.h"
#include "cli/panel_gang.h"
#include "cli/progress_board.h"
#include "cli/subcommands.h"

namespace kvr::cli {

ExitCode verify_panels(const Invocation& invocation) {
    const QString& path = invocation.files[0];
    const std::optional<Configuration> loaded = load_or_report(path);
    if (!loaded) return bad_input;
    // What the file programs against what each panel holds, exactly.
    const Configuration file = programmed_with_notes(*loaded, path);

    const auto run =
        run_on_panels(invocation, [](PanelConversation& c) { c.start_read(); },
                      {stdout, QStringLiteral("reading"), ProgressBoard::FinalLines::left_out});
    if (const ExitCode* failure = std::get_if<ExitCode>(&run)) return *failure;
    const auto& results = std::get<std::vector<PortResult>>(run);

    bool any_differs = false;
    for (const PortResult& result : results) {
        if (!result.succeeded()) {
            print_line(result.line());
            continue;
        }
        const std::vector<Difference> found =
            differences(file, configuration_in(result.values), Texts::ignored);
        if (found.empty()) print_line(result.device + QStringLiteral(": matches ") + path);
        for (const Difference& difference : found)
            print_line(
                result.device + QLatin1String(": ") +
                difference_line(difference, QStringLiteral("file"), QStringLiteral("panel")));
        any_differs = any_differs || !found.empty();
    }
    report_failed_ports(results);
    if (exit_code(results) != done) return panel_failed;
    return any_differs ? differs : done;
}

ExitCode diff_files(const Invocation& invocation) {
    const std::optional<Configuration> first = load_or_report(invocation.files[0]);
    const std::optional<Configuration> second = load_or_report(invocation.files[1]);
    if (!first || !second) return bad_input;
    const std::vector<Difference> found =
        differences(as_programmed(*first).configuration, as_programmed(*second).configuration,
                    Texts::compared);
    for (const Difference& difference : found)
        print_line(difference_line(difference, invocation.files[0], invocation.files[1]));
    return found.empty() ? done : differs;
}

} // namespace kvr::cli
