// kvr-panel: the switch panel's configuration from the command line. Shows, writes,
// reads, verifies and compares configurations, and programs many panels at once.

#include <QCoreApplication>
#include <iterator>

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
};

const Subcommand* find_subcommand(const QString& name) {
    for (const Subcommand& command : kSubcommands)
        if (name == QLatin1String(command.name)) return &command;
    return nullptr;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvr-panel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVR_VERSION));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString first = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        print(program_usage(kSubcommands, std::size(kSubcommands)));
        return done;
    }
    if (first == QLatin1String("--version")) {
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
