// kvr-panel read: reads one panel, prints its configuration and, with -o, saves it as a
// configuration file the way the window saves what it has read.

#include <QFileInfo>
#include <algorithm>

#include "cli/output.h"
#include "cli/panel_gang.h"
#include "cli/progress_board.h"
#include "cli/subcommands.h"
#include "files/configuration_file_io.h"
#include "files/windows1252.h"

namespace kvr::cli {

namespace {

// The panel name as the file carries it, or nullopt once the reason has been printed.
std::optional<std::string> panel_name(const Invocation& invocation) {
    const QString name = invocation.name.value_or(
        invocation.output.isEmpty() ? QString() : QFileInfo(invocation.output).completeBaseName());
    if (!invocation.output.isEmpty() && name.isEmpty()) {
        print_error(QStringLiteral("a saved configuration needs a panel name: give --name NAME"));
        return std::nullopt;
    }
    const std::u16string text = name.toStdU16String();
    std::optional<std::string> bytes = to_windows1252(text);
    const auto storable = [](char16_t c) {
        return storable_in_text_field(c) && QChar(c).category() != QChar::Other_Control;
    };
    if (!bytes || !std::all_of(text.begin(), text.end(), storable)) {
        print_error(QStringLiteral("the panel name \"%1\" holds a character that a "
                                   "configuration file cannot carry")
                        .arg(name));
        return std::nullopt;
    }
    return bytes;
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
    return PanelRead{record_from_panel(result.values, name), result.device};
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

    const ConfigurationRecord& record = std::get<PanelRead>(read).record;
    print_configuration(record, invocation.json);
    if (invocation.output.isEmpty()) return done;
    if (const std::optional<QString> failure = save_configuration_file(invocation.output, record)) {
        print_error(QStringLiteral("%1 not saved: %2").arg(invocation.output, *failure));
        return bad_input;
    }
    return done;
}

} // namespace kvr::cli
