#include "program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <system_error>

#include "company_log_link.h"
#include "dialogs.h"
#include "form1.h"
#include "options/exit_code.h"
#include "options/shared_options.h"
#include "options/standard_output.h"
#include "panel/line_trace.h"
#include "records/log_location.h"
#include "simulator/pty_host.h"
#include "site_window.h"
#include "system/system.h"

namespace {

using kvr::options::SharedOption;

// The options kvr-config shares with kvr-panel.
constexpr SharedOption kSharedOptions[] = {
    SharedOption::port,   SharedOption::simulate,    SharedOption::trace,     SharedOption::log,
    SharedOption::no_log, SharedOption::company_log, SharedOption::reply_wait};

struct CommandLine {
    QCommandLineParser parser;
    kvr::options::DeclaredOptions shared;
    QCommandLineOption site{QStringLiteral("site"),
                            QStringLiteral("Opens the site window of FOLDER, a folder of "
                                           "configuration files, beside the window."),
                            QStringLiteral("FOLDER")};

    CommandLine() {
        parser.setApplicationDescription(
            QStringLiteral("Configures the KVR 10-button dimmable switch panel (07-04412)."));
        parser.addHelpOption();
        parser.addVersionOption();
        for (const SharedOption option : kSharedOptions) {
            shared.emplace_back(option, kvr::options::config_option(option));
            parser.addOption(shared.back().second);
        }
        parser.addOption(site);
        parser.addPositionalArgument(
            QStringLiteral("FILE"), QStringLiteral("A configuration file (.kcf) to open at start."),
            QStringLiteral("[FILE]"));
    }

    // The shared options' values, checked: empty when they are refused, and why.
    kvr::options::SharedValues values;
    QString refusal() {
        QString why = kvr::options::read_shared_options(parser, shared, values);
        if (why.isEmpty() && values.panel_count() > 1)
            why = QStringLiteral("kvr-config talks to one panel at a time");
        return why;
    }
};

// The options QApplication takes for itself; the rest is ours to check before it starts.
struct ToolkitOption {
    std::string_view name;
    bool takes_value;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"display", true},         {"style", true},
    {"stylesheet", true},      {"geometry", true},
    {"qwindowgeometry", true}, {"title", true},
    {"qwindowtitle", true},    {"qwindowicon", true},
    {"session", true},         {"reverse", false},
    {"nograb", false},         {"dograb", false},
    {"sync", false},           {"widgetcount", false},
};

QStringList own_arguments(int argc, char** argv) {
    QStringList arguments{QString::fromLocal8Bit(argv[0])};
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const ToolkitOption* toolkit = nullptr;
        if (arg.size() > 1 && arg[0] == '-') {
            const std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
            for (const ToolkitOption& option : kToolkitOptions)
                if (option.name == name) toolkit = &option;
        }
        if (!toolkit) {
            arguments.append(QString::fromLocal8Bit(argv[i]));
            continue;
        }
        if (toolkit->takes_value) ++i;
    }
    return arguments;
}

// Bad arguments, with the usage, before any window system is asked for (there may be none).
int refused(const QString& why, const QString& usage) {
    std::fprintf(stderr, "kvr-config: %s\n\n%s", qPrintable(why), qPrintable(usage));
    return kvr::options::bad_input;
}

int start_error(const QString& text) {
    std::fprintf(stderr, "kvr-config: %s\n", qPrintable(text));
    return kvr::options::bad_input;
}

// Same file by any name.
bool same_file(const QString& a, const QString& b) {
    return QFileInfo::exists(a) && QFileInfo::exists(b) &&
           kvr::os::file_identity(a) == kvr::os::file_identity(b);
}

// At the exit of --help and --version: an answer that standard output could not take
// (> /dev/full) is a failure, not exit 0.
void fail_unwritten_answer() {
    if (kvr::options::write_standard_output({})) return;
    std::fputs("kvr-config: standard output could not be written\n", stderr);
    std::_Exit(kvr::options::output_failed);
}

} // namespace

int run_kvr_config(int& argc, char** argv, const std::function<void(QWidget*)>& before_show) {
    QCoreApplication::setApplicationName(QStringLiteral("kvr-config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVR_VERSION));
    // The settings (the sheet's installer and company) live under kvr-config/kvr-config.
    QCoreApplication::setOrganizationName(QStringLiteral("kvr-config"));
    {
        // Help, the version and bad arguments need no display, so they are answered before
        // the window system is started (over ssh there may be none).
        QCoreApplication without_display(argc, argv);
        CommandLine options;
        if (!options.parser.parse(own_arguments(argc, argv)))
            return refused(options.parser.errorText(), options.parser.helpText());
        if (options.parser.isSet(QStringLiteral("help")) ||
            options.parser.isSet(QStringLiteral("help-all")) ||
            options.parser.isSet(QStringLiteral("version"))) {
            std::atexit(fail_unwritten_answer);
            options.parser.process(without_display); // answers and exits
        }
        if (const QString why = options.refusal(); !why.isEmpty()) return start_error(why);
        const QStringList files = options.parser.positionalArguments();
        if (files.size() > 1)
            return start_error(QStringLiteral("one configuration file at a time"));
        if (options.parser.isSet(options.site) &&
            !QFileInfo(options.parser.value(options.site)).isDir())
            return start_error(QStringLiteral("--site needs a folder: ") +
                               options.parser.value(options.site));
        // Opening the trace would empty the file it was asked to open.
        if (!options.values.trace.isEmpty() && !files.isEmpty() &&
            same_file(options.values.trace, files.front()))
            return start_error(QStringLiteral("the trace would overwrite the file to open ") +
                               files.front());
    }

    QApplication app(argc, argv);
    CommandLine options;
    options.parser.process(app);
    options.refusal(); // checked above: only the values are wanted
    const kvr::options::SharedValues& given = options.values;
    const QStringList files = options.parser.positionalArguments();

    // Every object the window records into or talks to outlives it.
    kvr::LineTrace trace;
    if (!given.trace.isEmpty() && !trace.open(given.trace))
        return start_error(
            QStringLiteral("cannot create the trace file %1: %2").arg(given.trace, trace.error()));
    std::unique_ptr<kvr::sim::PtyHost> simulated_panel;
    QtDialogs dialogs;
    Form1 window(dialogs);
    if (!given.trace.isEmpty()) window.set_line_trace(&trace);
    window.set_commissioning_log(kvr::records::log_path(given.log_option, given.no_log,
                                                        QProcessEnvironment::systemEnvironment()));
    // The one named for this run, else the one the window remembers.
    if (const auto company_log = kvr::records::company_log_given(
            given.company_log, QProcessEnvironment::systemEnvironment()))
        window.company_log().set_url(*company_log);
    if (!given.ports.isEmpty()) window.use_given_port(given.ports.front());
    // Without --reply-wait the window keeps the wait it remembers.
    if (options.parser.isSet(QStringLiteral("reply-wait"))) window.set_reply_wait(given.reply_wait);

    // Started after the window is built, so that it adds nothing to the wait for it.
    if (given.simulated > 0) {
        try {
            simulated_panel = std::make_unique<kvr::sim::PtyHost>();
        } catch (const std::system_error& error) {
            std::fprintf(stderr, "kvr-config: cannot start the simulated panel: %s\n",
                         error.what());
            return kvr::options::panel_failed;
        }
        window.use_simulated_panel(QString::fromStdString(simulated_panel->slave_path()));
    }

    // A file given (a double click on it) opens once the window is there to own its messages.
    if (!files.isEmpty()) {
        const QString file = QFileInfo(files.front()).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, file] { window.open_configuration_file(file); });
    }

    if (before_show) before_show(&window);
    window.show();
    if (options.parser.isSet(options.site))
        show_site_window(window, options.parser.value(options.site));
    const int exit_code = QApplication::exec();
    if (!trace.failure().isEmpty()) {
        std::fprintf(stderr, "kvr-config: the trace %s stopped being written: %s\n",
                     qPrintable(given.trace), qPrintable(trace.failure()));
        return kvr::options::output_failed;
    }
    return exit_code;
}
