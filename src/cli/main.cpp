// kvr-panel: the switch panel's configuration from the command line. Shows, writes,
// reads, verifies and compares configurations, and programs many panels at once.

#include <QGuiApplication>
#include <cstring>
#include <iterator>
#include <memory>

#include "cli/output.h"
#include "cli/subcommands.h"

using namespace kvr::cli;

namespace {

// One row per subcommand: adding one is a function in a file of its own and a row here.
const Subcommand kSubcommands[] = {
    {"show", "FILE.kcf [--json]",
     "prints the configuration in a file as a table, or as one JSON document", 1, json,
     Panels::none, show_file},
    {"write", "FILE.kcf (--port DEVICE [--port DEVICE ...] | --simulate[=N]) [--trace FILE]",
     "programs every panel named with the file's configuration, all at once", 1, panel_options,
     Panels::many, write_panels},
    {"read", "(--port DEVICE | --simulate) [-o FILE.kcf] [--name NAME] [--json] [--trace FILE]",
     "reads a panel and prints it as show does; -o also saves it", 0,
     panel_options | output | name | json, Panels::one, read_panel},
    {"verify", "FILE.kcf (--port DEVICE [--port DEVICE ...] | --simulate[=N]) [--trace FILE]",
     "reads every panel named and prints each value that differs from the file", 1, panel_options,
     Panels::many, verify_panels},
    {"diff", "A.kcf B.kcf", "prints each value and text that differs between two files", 2, 0,
     Panels::none, diff_files},
    {"sheet", "(FILE.kcf | --port DEVICE | --simulate) -o SHEET.pdf [--name NAME] [--trace FILE]",
     "draws the commissioning sheet of a file, or of a panel as read, as a one-page PDF", 1,
     panel_options | output | name, Panels::file_or_one, draw_sheet},
};

const Subcommand* find_subcommand(const QString& name) {
    for (const Subcommand& command : kSubcommands)
        if (name == QLatin1String(command.name)) return &command;
    return nullptr;
}

// The sheet is drawn with Qt GUI's painter, which needs a QGuiApplication; a PDF needs no
// display, so it runs on the offscreen platform unless told otherwise.
std::unique_ptr<QCoreApplication> application(int& argc, char* argv[]) {
    if (argc < 2 || std::strcmp(argv[1], "sheet") != 0)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvr-panel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVR_VERSION));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString first = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        print(program_usage(kSubcommands, std::size(kSubcommands)));
        return done;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        print_line(QStringLiteral("kvr-panel ") + QCoreApplication::applicationVersion());
        return done;
    }
    const Subcommand* command = find_subcommand(first);
    if (!command) {
        print_error(
            first.isEmpty()
                ? QStringLiteral("a command is needed; kvr-panel --help lists them")
                : QStringLiteral("unknown command \"%1\"; kvr-panel --help lists them").arg(first));
        return bad_input;
    }
    const ParsedArguments parsed = parse_arguments(*command, arguments);
    if (parsed.help) {
        print(subcommand_usage(*command));
        return done;
    }
    if (!parsed.error.isEmpty()) {
        print_error(parsed.error +
                    QStringLiteral("; kvr-panel %1 --help shows its usage").arg(command->name));
        return bad_input;
    }
    return command->run(parsed.invocation);
}
