#include "cli/invocation.h"

#include "cli/outputs.h"
#include "records/log_location.h"

#include <QCommandLineParser>
#include <QSet>
#include <functional>

namespace kvr::cli {

namespace {

using options::SharedOption;

// A row names an option of kvr-panel's own, or one of the options kvr-config takes too, whose
// names, value, help and checks come from the shared table.
struct OptionRow {
    unsigned flags; // the bits of Subcommand::options that bring it in
    QStringList names;
    const char* value_name; // nullptr for an option without a value
    const char* shown;      // the option as the usage shows it
    const char* help;
    // Stores the option's value (an empty one for an option without a value); null for
    // the shared options and those parse_arguments checks itself.
    void (*set)(Invocation& invocation, const QString& value) = nullptr;
    std::optional<SharedOption> shared = std::nullopt;
};

OptionRow shared_row(unsigned flags, SharedOption option) {
    const options::SharedOptionRow& row = options::shared_option_row(option);
    return {
        flags, {QLatin1String(row.name)}, row.value_name, row.panel_shown, row.panel_help, nullptr,
        option};
}

// clang-format off
const OptionRow kOptions[] = {
    shared_row(port, SharedOption::port),
    shared_row(simulate, SharedOption::simulate),
    shared_row(trace, SharedOption::trace),
    // Declared once: import saves in a folder, the others write a file.
    {output | output_folder, {"o", "output"}, "FILE", "-o, --output FILE",
     "also save the result in FILE (read: the configuration, as .kcf)"},
    {name, {"name"}, "NAME", "--name NAME",
     "the panel name saved (default: the base name of FILE)"},
    {json, {"json"}, nullptr, "--json",
     "print one JSON document instead of the table"},
    {json_lines, {"json-lines"}, nullptr, "--json-lines",
     "print one JSON object a line for each port, the moment it finishes",
     [](Invocation& i, const QString&) { i.json_lines = true; }},
    shared_row(log_file, SharedOption::log),
    shared_row(log_file, SharedOption::company_log),
    {station_role, {"station-role"}, "NAME", "--station-role NAME",
     "init-company: the role the stations log in as (default kvr_station)",
     [](Invocation& i, const QString& v) { i.station_role = v; }},
    shared_row(log_file, SharedOption::no_log),
    {site_fields, {"site"}, "TEXT", "--site TEXT", "the site, on the sheet and the pack",
     [](Invocation& i, const QString& v) { i.site.site = v; }},
    {site_fields, {"room"}, "TEXT", "--room TEXT", "the room or location, on the sheet",
     [](Invocation& i, const QString& v) { i.site.room = v; }},
    {site_fields, {"job"}, "TEXT", "--job TEXT", "the job number, on the sheet and the pack",
     [](Invocation& i, const QString& v) { i.site.job = v; }},
    {site_fields, {"installer"}, "NAME", "--installer NAME", "the installer, on the sheet and the pack",
     [](Invocation& i, const QString& v) { i.site.installer = v; }},
    {site_fields, {"company"}, "NAME", "--company NAME", "the installer's company, on the sheet and the pack",
     [](Invocation& i, const QString& v) { i.site.company = v; }},
    {filters, {"panel"}, "NAME", "--panel NAME", "only entries for this panel name",
     [](Invocation& i, const QString& v) { i.panel_filter = v; }},
    {filters, {"device"}, "DEVICE", "--device DEVICE", "only entries for this port, as it was named",
     [](Invocation& i, const QString& v) { i.device_filter = v; }},
    {filters, {"since"}, "DATE", "--since DATE",
     "only entries from DATE on: 2024-05-31, 2024-05-31T14:00 (local) or ...Z (UTC)",
     [](Invocation& i, const QString& v) { i.since = v; }},
    {csv, {"csv"}, nullptr, "--csv", "print CSV (for a spreadsheet) instead of the table",
     [](Invocation& i, const QString&) { i.csv = true; }},
    {require_verified, {"require-verified"}, nullptr, "--require-verified",
     "exit 1 unless every panel has a matching verified entry in the log",
     [](Invocation& i, const QString&) { i.require_verified = true; }},
    {force, {"force"}, nullptr, "--force", "replace files that are already in the folder",
     [](Invocation& i, const QString&) { i.force = true; }},
    {watch, {"watch"}, nullptr, "--watch",
     "keep running as a fixture: program each panel put on a port, panel after panel,\n"
     "until Ctrl-C",
     [](Invocation& i, const QString&) { i.watch = true; }},
    {probe, {"probe"}, nullptr, "--probe",
     "call each port named, or every port present, for a panel and read its model code",
     [](Invocation& i, const QString&) { i.probe = true; }},
    {printing, {"print"}, nullptr, "--print",
     "also send it to the system's default printer (CUPS on Linux)",
     [](Invocation& i, const QString&) { i.print = true; }},
    {printing, {"printer"}, "NAME", "--printer NAME", "also send it to the printer NAME",
     [](Invocation& i, const QString& v) { i.print = true; i.printer = v; }},
    {report, {"report"}, "FILE", "--report FILE",
     "also write the panel's as-found report, a one-page PDF: where it differed from the file",
     [](Invocation& i, const QString& v) { i.report = v; }},
    shared_row(reply_wait, SharedOption::reply_wait),
};
// clang-format on

struct ExitStatusRow {
    const char* code;
    const char* meaning;
    bool (*applies)(const Subcommand& command);
};

bool always(const Subcommand&) {
    return true;
}
bool talks_to_panels(const Subcommand& command) {
    return command.panels != Panels::none;
}
bool compares(const Subcommand& command) {
    return command.compares;
}
bool checks_verified(const Subcommand& command) {
    return command.options & require_verified;
}
bool finds(const Subcommand& command) {
    return command.finds;
}
bool prints(const Subcommand& command) {
    return command.options & printing;
}

// clang-format off
const ExitStatusRow kExitStatus[] = {
    {"0", "done", always},
    {"1", "a panel or a file differs", compares},
    {"1", "with --require-verified: a panel has no matching verified entry in the log",
     checks_verified},
    {"1", "the check found something likely wrong across the panels", finds},
    {"1", nullptr, [](const Subcommand& command) { return command.exit_one != nullptr; }},
    {"2", "a panel failed on at least one port: no answer, wrong model, bad data,\n"
          "or a port that cannot be opened", talks_to_panels},
    {"3", "a bad file or bad arguments; nothing was sent", always},
    {"4", "a result or the trace could not be written (a full disk, a closed pipe)", always},
    {"4", "the printer is missing or did not accept the job", prints},
    {"130", "stopped by Ctrl-C (SIGINT) between two transactions; 143 for SIGTERM",
     talks_to_panels},
};
// clang-format on

// "  name  text", the text's continuation lines under its first.
QString usage_line(const QString& name, int width, const QString& text) {
    QString indented = text;
    indented.replace(u'\n', u'\n' + QString(2 + width + 2, u' '));
    return QStringLiteral("  %1  %2\n").arg(name, -width).arg(indented);
}

// A row without a meaning of its own says what the command's exit_one says.
QString exit_status_lines(const std::function<bool(const ExitStatusRow&)>& shown,
                          const Subcommand* command = nullptr) {
    QString text = QStringLiteral("Exit status:\n");
    for (const ExitStatusRow& row : kExitStatus) {
        const char* meaning = row.meaning ? row.meaning : command ? command->exit_one : nullptr;
        if (shown(row) && meaning)
            text += usage_line(QLatin1String(row.code), 3, QLatin1String(meaning));
    }
    return text;
}

// An option's help as it applies to the subcommand: the ports it takes, what -o writes.
QString help_for(const OptionRow& row, const Subcommand* command) {
    const QString name = command ? QLatin1String(command->name) : QString();
    const auto is = [&row](SharedOption option) { return row.shared == option; };
    if (is(SharedOption::port) && command && command->panels == Panels::none)
        return QStringLiteral("also a port not listed, or (with --probe) only the ports named");
    if (is(SharedOption::port) && command && command->panels != Panels::many)
        return QStringLiteral("the serial port with the panel on it");
    if (is(SharedOption::simulate) && command && command->panels != Panels::many)
        return QStringLiteral("a panel simulated inside the program, instead of a port");
    if (row.flags & output_folder && command && command->options & output_folder)
        return QStringLiteral("the folder to save the files in (made when missing)");
    if (row.flags & output && name == QLatin1String("read"))
        return QStringLiteral("also save the configuration read in FILE, as .kcf (- is standard "
                              "output)");
    if (row.flags & output && name == QLatin1String("sheet"))
        return QStringLiteral("the sheet's PDF (- is standard output)");
    if (row.flags & output && name == QLatin1String("handover"))
        return QStringLiteral("the pack's PDF");
    return QLatin1String(row.help);
}

// The option as the usage shows it to the command: one simulated panel, or a folder for -o.
QString shown_for(const OptionRow& row, const Subcommand* command) {
    if (row.shared == SharedOption::simulate && command && command->panels != Panels::many)
        return QStringLiteral("--simulate");
    if (row.flags & output_folder && command && command->options & output_folder)
        return QStringLiteral("-o, --output FOLDER");
    return QLatin1String(row.shown);
}

QString option_lines(unsigned options, const Subcommand* command = nullptr) {
    QString text;
    for (const OptionRow& row : kOptions)
        if (options & row.flags)
            text += usage_line(shown_for(row, command), 22, help_for(row, command));
    return text;
}

QString check_panels(const Subcommand& command, const Invocation& invocation) {
    if (command.panels == Panels::none) return {};
    if (command.panels == Panels::file_or_one) {
        if (invocation.files.isEmpty() == (invocation.panel_count() == 0))
            return QStringLiteral("%1 takes one file, or one panel with --port DEVICE or "
                                  "--simulate")
                .arg(command.name);
        if (!invocation.files.isEmpty()) return {};
    }
    if (invocation.panel_count() == 0)
        return QStringLiteral("%1 needs --port DEVICE, --simulate or KVR_PORT").arg(command.name);
    if (command.panels != Panels::many && invocation.panel_count() > 1)
        return QStringLiteral("%1 talks to one panel at a time").arg(command.name);
    QSet<QString> seen;
    for (const QString& device : invocation.ports) {
        if (device.isEmpty()) return QStringLiteral("--port needs a device name");
        const QString identity = file_identity(port_path(device));
        if (seen.contains(identity)) return QStringLiteral("port %1 is named twice").arg(device);
        seen.insert(identity);
    }
    return {};
}

} // namespace

ParsedArguments parse_arguments(const Subcommand& command, QStringList arguments,
                                const QProcessEnvironment& environment) {
    QCommandLineParser parser;
    const QCommandLineOption help_option(QStringList{"h", "help"});
    parser.addOption(help_option);
    std::vector<std::pair<const OptionRow*, QCommandLineOption>> own;
    options::DeclaredOptions shared;
    for (const OptionRow& row : kOptions) {
        if (!(command.options & row.flags)) continue;
        if (row.shared) {
            shared.emplace_back(*row.shared, options::panel_option(*row.shared));
            parser.addOption(shared.back().second);
            continue;
        }
        own.emplace_back(&row, row.value_name
                                   ? QCommandLineOption(row.names, row.help, row.value_name)
                                   : QCommandLineOption(row.names, row.help));
        parser.addOption(own.back().second);
    }
    // The parser knows no optional values: a bare --simulate means one panel.
    for (QString& argument : arguments)
        if (argument == QLatin1String("--simulate")) argument = QStringLiteral("--simulate=1");
    arguments.prepend(QStringLiteral("kvr-panel"));

    ParsedArguments parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(help_option)) {
        parsed.help = true;
        return parsed;
    }
    Invocation& invocation = parsed.invocation;
    invocation.files = parser.positionalArguments();
    const bool files_optional = command.panels == Panels::file_or_one;
    if (command.file_count < 0 && invocation.files.isEmpty()) {
        parsed.error = QStringLiteral("%1 takes one or more files or folders").arg(command.name);
        return parsed;
    }
    if (command.file_count >= 0 &&
        (invocation.files.size() > command.file_count ||
         (!files_optional && invocation.files.size() != command.file_count))) {
        parsed.error =
            QStringLiteral("%1 takes %2 (%3 given)")
                .arg(command.name, command.file_count == 1
                                       ? QStringLiteral("one file")
                                       : QStringLiteral("%1 files").arg(command.file_count))
                .arg(invocation.files.size());
        return parsed;
    }
    if (const QString refusal = options::read_shared_options(parser, shared, invocation);
        !refusal.isEmpty()) {
        parsed.error = refusal;
        return parsed;
    }
    for (const auto& [row, option] : own) {
        if (!parser.isSet(option)) continue;
        if (const QString twice = options::given_twice(parser, option); !twice.isEmpty()) {
            parsed.error = twice;
            return parsed;
        }
        if (row->set) {
            row->set(invocation, row->value_name ? parser.value(option) : QString());
            continue;
        }
        switch (row->flags) {
        case output | output_folder:
            invocation.output = parser.value(option);
            invocation.output_is_folder = command.options & output_folder;
            invocation.output_is_configuration = QLatin1String(command.name) == "read";
            break;
        case name:
            invocation.name = parser.value(option);
            break;
        case json:
            invocation.json = true;
            break;
        default:
            break;
        }
    }
    if (invocation.json && invocation.csv) {
        parsed.error = QStringLiteral("--json and --csv exclude each other");
        return parsed;
    }
    if (invocation.json && invocation.json_lines) {
        parsed.error = QStringLiteral("--json and --json-lines exclude each other");
        return parsed;
    }
    if (invocation.watch && invocation.json) {
        parsed.error = QStringLiteral("--watch prints each panel as it is done: use --json-lines");
        return parsed;
    }
    if (command.options & log_file) {
        invocation.log = records::log_path(invocation.log_option, invocation.no_log, environment);
        invocation.company_log = records::company_log_given(invocation.company_log, environment);
        if (invocation.company_log && invocation.company_log->isEmpty())
            invocation.company_log.reset();
    }
    const QString default_ports = environment.value(QStringLiteral("KVR_PORT"));
    // The environment names the fixture's ports when the command line names no panel.
    const bool panel_given = invocation.panel_count() > 0 ||
                             (command.panels == Panels::file_or_one && !invocation.files.isEmpty());
    if ((command.options & port) && !panel_given)
        for (const QString& item : default_ports.split(u','))
            if (!item.trimmed().isEmpty()) invocation.ports << item.trimmed();
    if (invocation.output && invocation.output->isEmpty()) {
        parsed.error = QStringLiteral("-o needs a file name");
        return parsed;
    }
    if (invocation.print && invocation.printer.isEmpty() &&
        parser.isSet(QStringLiteral("printer"))) {
        parsed.error = QStringLiteral("--printer needs a printer's name");
        return parsed;
    }
    if (invocation.report && (invocation.report->isEmpty() || *invocation.report == "-")) {
        parsed.error = QStringLiteral("--report needs a file name");
        return parsed;
    }
    if (invocation.report && invocation.panel_count() > 1) {
        parsed.error = QStringLiteral("--report is the report of one panel: name one port");
        return parsed;
    }
    parsed.error = check_panels(command, invocation);
    return parsed;
}

QString subcommand_usage(const Subcommand& command) {
    return QStringLiteral("Usage: kvr-panel %1 %2\n%3\n\nOptions:\n%4  %5  %6\n\n%7")
        .arg(command.name, command.synopsis, command.description,
             option_lines(command.options, &command),
             QStringLiteral("-h, --help").leftJustified(22), QStringLiteral("this text"),
             exit_status_lines(
                 [&command](const ExitStatusRow& row) { return row.applies(command); }, &command));
}

QString program_usage(const Subcommand* commands, std::size_t count) {
    QString text = QStringLiteral(
        "Usage: kvr-panel COMMAND ARGUMENTS...\n"
        "Shows, writes, reads, verifies and compares configurations of the KVR 10-button\n"
        "dimmable switch panel (07-04412); writes and verifies many panels at once.\n\n"
        "Commands:\n");
    unsigned all_options = 0;
    for (std::size_t i = 0; i < count; ++i) {
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(commands[i].name, commands[i].synopsis, commands[i].description);
        all_options |= commands[i].options;
    }
    text += QStringLiteral("\nOptions:\n") + option_lines(all_options);
    text += QStringLiteral("  %1  %2\n  %3  %4\n\n")
                .arg(QStringLiteral("-h, --help").leftJustified(22),
                     QStringLiteral("this text; kvr-panel COMMAND --help shows one command"),
                     QStringLiteral("--version").leftJustified(22),
                     QStringLiteral("the program's version"));
    text += exit_status_lines([](const ExitStatusRow&) { return true; });
    text += QStringLiteral(
        "\nResults go to standard output; errors, and on a terminal a live progress line per\n"
        "port, to standard error. A file named - is standard input; -o - is standard output.\n"
        "KVR_PORT (ports separated by commas) is used when no panel is named.\n"
        "Every write, verify and read is recorded in the commissioning log: --log FILE or\n"
        "KVR_LOG names another, --no-log or an empty KVR_LOG turns it off.\n");
    return text;
}

} // namespace kvr::cli
