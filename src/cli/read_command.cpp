// kvr-panel read: reads one panel, prints its configuration and, with -o, saves it as a
// configuration file the way the window saves what it has read.

#include <QFileInfo>

#include "cli/configuration.h"
#include "cli/output.h"
#include "cli/panel_gang.h"
#include "cli/progress_board.h"
#include "cli/subcommands.h"
#include "files/configuration_file_io.h"

namespace kvr::cli {

namespace {

// The panel name as the file carries it, or nullopt once the reason has been printed.
std::optional<std::string> panel_name(const Invocation& invocation) {
    if (invocation.name) return given_panel_name(*invocation.name, NameSource::typed);
    const QString name =
        invocation.output.isEmpty() ? QString() : QFileInfo(invocation.output).completeBaseName();
    if (!invocation.output.isEmpty() && name.isEmpty()) {
        print_error(QStringLiteral("a saved configuration needs a panel name: give --name NAME"));
        return std::nullopt;
    }
    return given_panel_name(name, NameSource::file_name);
}

} // namespace

std::variant<PanelRead, ExitCode> read_one_panel(const Invocation& invocation,
                                                 const std::string& name) {
    // What is read is the result on standard output; progress goes beside it.
    const auto run =
        run_on_panels(invocation, [](PanelConversation& c) { c.start_read(); },
                      {stderr, QStringLiteral("reading"), ProgressBoard::FinalLines::left_out});
    if (const ExitCode* failure = std::get_if<ExitCode>(&run)) return *failure;
    const PortResult& result = std::get<std::vector<PortResult>>(run).front();
    if (!result.succeeded()) {
        print_error(result.line());
        return panel_failed;
    }
    Configuration held = configuration_in(result.values);
    held.panel_name = name;
    return PanelRead{held, result.device};
}

ExitCode read_panel(const Invocation& invocation) {
    // Checked before the panel is contacted, so that a read is never wasted.
    const std::optional<std::string> name = panel_name(invocation);
    if (!name) return bad_input;
    if (!invocation.output.isEmpty()) {
        if (const std::optional<QString> refusal = refusal_to_replace(invocation.output)) {
            print_error(QStringLiteral("%1 not saved: %2").arg(invocation.output, *refusal));
            return bad_input;
        }
    }
    const auto read = read_one_panel(invocation, *name);
    if (const ExitCode* failure = std::get_if<ExitCode>(&read)) return *failure;

    const PanelRead& panel = std::get<PanelRead>(read);
    print_configuration(panel.configuration, invocation.json);
    if (invocation.output.isEmpty()) return done;
    // Saved as the window saves what it has read: with the values its lists can show.
    const Configuration saved = programmed_with_notes(panel.configuration, panel.device);
    if (const std::optional<QString> failure =
            save_configuration_file(invocation.output, record_of(saved))) {
        print_error(QStringLiteral("%1 not saved: %2").arg(invocation.output, *failure));
        return bad_input;
    }
    return done;
}

} // namespace kvr::cli
