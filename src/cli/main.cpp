// kvr-panel: the switch panel's configuration from the command line. Shows, writes,
// reads, verifies and compares configurations, and programs many panels at once.

#include <QGuiApplication>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>

#include "cli/interruption.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/subcommands.h"
#include "system/system.h"

using namespace kvr::cli;

namespace {

// One row per subcommand: adding one is a function in a file of its own and a row here.
// clang-format off
const Subcommand kSubcommands[] = {
    {"show", "FILE.kcf [--json]",
     "prints the configuration in a file as a table, or as one JSON document", 1, json,
     Panels::none, show_file},
    {"write",
     "FILE.kcf (--port DEVICE [--port DEVICE ...] | --simulate[=N]) [--watch] [--trace FILE]\n"
     "      [--json | --json-lines] [--reply-wait MS] [--log FILE | --no-log]",
     "programs every panel named with the file's configuration, all at once", 1,
     panel_options | json | json_lines | watch | log_file, Panels::many, write_panels},
    {"read",
     "(--port DEVICE | --simulate) [-o FILE.kcf] [--name NAME] [--json | --json-lines]\n"
     "      [--trace FILE] [--reply-wait MS] [--log FILE | --no-log]",
     "reads a panel and prints it as show does; -o also saves it", 0,
     panel_options | output | name | json | json_lines | log_file, Panels::one, read_panel},
    {"verify",
     "FILE.kcf (--port DEVICE [--port DEVICE ...] | --simulate[=N]) [--trace FILE]\n"
     "      [--json | --json-lines] [--reply-wait MS] [--log FILE | --no-log]\n"
     "      [--report AS-FOUND.pdf]",
     "reads every panel named and prints each value that differs from the file; --report\n"
     "      also draws one panel's as-found report", 1,
     panel_options | json | json_lines | log_file | report, Panels::many, verify_panels, true},
    {"identify",
     "SITE-FOLDER (--port DEVICE | --simulate) [--json] [--trace FILE] [--reply-wait MS]\n"
     "      [--log FILE | --no-log]",
     "reads a panel once and names the folder's file(s) it holds, or the nearest ones and in\n"
     "      how many places they differ", 1,
     panel_options | json | log_file, Panels::one, identify_panel, true},
    {"diff", "A.kcf B.kcf [--json]", "prints each value and text that differs between two files",
     2, json, Panels::none, diff_files, true},
    {"sheet",
     "(FILE.kcf | --port DEVICE | --simulate) (-o SHEET.pdf | --print [--printer NAME])\n"
     "      [--name NAME] [--trace FILE] [--json]\n"
     "      [--site TEXT] [--room TEXT] [--job TEXT] [--installer NAME] [--company NAME]\n"
     "      [--reply-wait MS] [--log FILE | --no-log]",
     "draws the commissioning sheet of a file, or of a panel as read, as a one-page PDF or on a\n"
     "      printer, stamped from the log when a panel was programmed and verified with it", 1,
     panel_options | output | name | json | site_fields | log_file | printing, Panels::file_or_one,
     draw_sheet},
    {"history",
     "[--panel NAME] [--device DEVICE] [--since DATE] [--json | --csv] [--log FILE]",
     "lists the entries of the commissioning log, newest first", 0, filters | json | csv | log_file,
     Panels::none, list_history},
    {"handover",
     "FOLDER (-o PACK.pdf | --print [--printer NAME]) [--site TEXT] [--room TEXT] [--job TEXT]\n"
     "      [--installer NAME] [--company NAME] [--require-verified] [--json] [--log FILE | --no-log]",
     "writes the handover pack of a folder's .kcf files: an index, the findings across the site,\n"
     "      the channel schedule, each panel's sheet, then the page to sign", 1,
     output | site_fields | require_verified | json | log_file | printing, Panels::none,
     write_handover},
    {"import", "SCHEDULE.csv -o FOLDER [--force] [--json]",
     "makes one .kcf file per panel of a lighting schedule (CSV), and the folder's site.json;\n"
     "      nothing is saved while a row is wrong", 1, output_folder | force | json, Panels::none,
     import_site},
    {"export", "FOLDER [-o SCHEDULE.csv] [--json]",
     "writes the lighting schedule (CSV) of a folder's .kcf files, as import reads it", 1,
     output | json, Panels::none, export_site},
    {"check", "FOLDER [--json] [--log FILE]",
     "lists what is likely wrong across the panels of a folder: refused files, names given\n"
     "      twice, a channel with different designations, incomplete selections; and what the\n"
     "      log proves of each", 1, json | log_file,
     Panels::none, check_site_folder, false, true},
    {"status", "FILE|FOLDER... [--json] [--log FILE]",
     "prints what the commissioning log proves of each file, or of each file of a folder:\n"
     "      proven, not proven or unknown, and why", -1, json | log_file, Panels::none,
     show_status, false, false, "a file is not proven, or whether it is, is unknown"},
    {"log", "check|import OTHER.sqlite|sync|init-company URL [--station-role NAME]\n"
     "      [--log FILE] [--company-log URL] [--json]",
     "check: walks the commissioning log's chain and names every entry altered, removed or\n"
     "      inserted by hand; import: merges another station's log file (read only) into this\n"
     "      one, its entries with their station and sequence, none twice; sync: pushes every\n"
     "      waiting entry to the company log and pulls the other stations' (exit 3 when it\n"
     "      cannot be reached or refuses); init-company: sets a PostgreSQL database up as the\n"
     "      company log, with a station role that may only insert and select", -1,
     json | log_file | station_role,
     Panels::none, run_log_action, false, false,
     "an entry of the log was altered, removed or inserted by hand, or is held differently"},
    {"ports", "[--port DEVICE ...] [--probe [--reply-wait MS]] [--json]",
     "lists the serial ports present, their stable names and whether they may be opened;\n"
     "      --probe says which has a panel on it", 0,
     port | json | probe | reply_wait, Panels::none, list_ports},
};
// clang-format on

const Subcommand* find_subcommand(const QString& name) {
    for (const Subcommand& command : kSubcommands)
        if (name == QLatin1String(command.name)) return &command;
    return nullptr;
}

QtMessageHandler previous_handler = nullptr;

// The sheet and the pack are drawn with Qt GUI's painter, which needs a QGuiApplication; a PDF
// needs no display, so it runs on the offscreen platform unless told otherwise.
std::unique_ptr<QCoreApplication> application(int& argc, char* argv[]) {
    bool draws =
        argc >= 2 && (std::strcmp(argv[1], "sheet") == 0 || std::strcmp(argv[1], "handover") == 0);
    for (int i = 2; i < argc && argc >= 2 && std::strcmp(argv[1], "verify") == 0; ++i)
        draws = draws || std::strncmp(argv[i], "--report", 8) == 0;
    if (!draws) return std::make_unique<QCoreApplication>(argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform asks for a runtime folder that a PDF never needs; without
    // XDG_RUNTIME_DIR (over ssh, in a service) Qt would warn about it on standard error.
    previous_handler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
                previous_handler(type, context, message);
        });
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    // A closed standard output (| head) is an output failure: every panel still ends its
    // operation and is logged.
    kvr::os::outlive_closed_pipes();
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvr-panel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVR_VERSION));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString first = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        return print_output(program_usage(kSubcommands, std::size(kSubcommands)).toUtf8(),
                            QStringLiteral("the usage"));
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        return print_output(
            QStringLiteral("kvr-panel %1\n").arg(QCoreApplication::applicationVersion()).toUtf8(),
            QStringLiteral("the version"));
    }
    const Subcommand* command = find_subcommand(first);
    if (!command) {
        print_error(
            first.isEmpty()
                ? QStringLiteral("a command is needed; kvr-panel --help lists them")
                : QStringLiteral("unknown command \"%1\"; kvr-panel --help lists them").arg(first));
        return bad_input;
    }
    const ParsedArguments parsed =
        parse_arguments(*command, arguments, QProcessEnvironment::systemEnvironment());
    if (parsed.help)
        return print_output(subcommand_usage(*command).toUtf8(), QStringLiteral("the usage"));
    if (!parsed.error.isEmpty()) {
        print_error(parsed.error +
                    QStringLiteral("; kvr-panel %1 --help shows its usage").arg(command->name));
        return bad_input;
    }
    if (const QString refusal = output_refusal(parsed.invocation); !refusal.isEmpty()) {
        print_error(refusal);
        return bad_input;
    }
    // Taken from before the first port opens until the results are printed and logged, so
    // that a signal never ends the program with a finished result unsaid.
    std::optional<Interruption> interruption;
    if (command->panels != Panels::none) interruption.emplace();
    return command->run(parsed.invocation);
}
