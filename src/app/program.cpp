#include "program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "dialogs.h"
#include "form1.h"
#include "panel/line_trace.h"
#include "panel/protocol.h"
#include "records/company_log.h"
#include "records/log_location.h"
#include "simulator/pty_host.h"
#include "site_window.h"
#include "system/system.h"

namespace {

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption port{
        QStringLiteral("port"),
        QStringLiteral("Uses DEVICE as serial port 1 (a USB adapter, a pseudo-terminal)."),
        QStringLiteral("DEVICE")};
    QCommandLineOption simulate{
        QStringLiteral("simulate"),
        QStringLiteral(
            "Starts a simulated panel inside the program and uses it as serial port 1.")};
    QCommandLineOption trace{QStringLiteral("trace"),
                             QStringLiteral("Writes every byte sent and received, per port, with "
                                            "the milliseconds since the start, to FILE."),
                             QStringLiteral("FILE")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Records every read and write in the commissioning log "
                                          "FILE instead of the usual one."),
                           QStringLiteral("FILE")};
    QCommandLineOption no_log{QStringLiteral("no-log"),
                              QStringLiteral("Records nothing in the commissioning log.")};
    QCommandLineOption company_log{
        QStringLiteral("company-log"),
        QStringLiteral("Pushes every entry to the company's PostgreSQL log URL "
                       "(postgresql://[user@]host[:port]/dbname) in this run, instead of "
                       "KVR_COMPANY_LOG or the one named in Panel, Company log; empty for none."),
        QStringLiteral("URL")};
    QCommandLineOption site{QStringLiteral("site"),
                            QStringLiteral("Opens the site window of FOLDER, a folder of "
                                           "configuration files, beside the window."),
                            QStringLiteral("FOLDER")};
    QCommandLineOption reply_wait{
        QStringLiteral("reply-wait"),
        QStringLiteral("Waits MS milliseconds (100 to 2000) for each reply from the panel, for "
                       "a slow panel or USB adapter, in this run (Panel, Line timing remembers "
                       "it). The default is 100."),
        QStringLiteral("MS")};

    CommandLine() {
        parser.setApplicationDescription(
            QStringLiteral("Configures the KVR 10-button dimmable switch panel (07-04412)."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({port, simulate, trace, log, no_log, company_log, site, reply_wait});
        parser.addPositionalArgument(
            QStringLiteral("FILE"), QStringLiteral("A configuration file (.kcf) to open at start."),
            QStringLiteral("[FILE]"));
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
    return 3;
}

// The reply wait given, or nullopt when the text is none (100..2000 milliseconds).
std::optional<std::chrono::milliseconds> reply_wait_in(const QString& text) {
    bool number = false;
    const std::chrono::milliseconds wait(text.toInt(&number));
    if (!number || !kvr::is_reply_wait(wait)) return std::nullopt;
    return wait;
}

int start_error(const char* text, const QString& detail = {}) {
    std::fprintf(stderr, "kvr-config: %s%s\n", text, qPrintable(detail));
    return 3;
}

// Same file by any name.
bool same_file(const QString& a, const QString& b) {
    return QFileInfo::exists(a) && QFileInfo::exists(b) &&
           kvr::os::file_identity(a) == kvr::os::file_identity(b);
}

// At the exit of --help and --version: an answer that standard output could not take
// (> /dev/full) is a failure, not exit 0.
void fail_unwritten_answer() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return;
    std::fputs("kvr-config: standard output could not be written\n", stderr);
    std::_Exit(4);
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
        if (options.parser.isSet(options.port) && options.parser.isSet(options.simulate))
            return start_error("--port and --simulate exclude each other");
        if (options.parser.isSet(options.log) && options.parser.isSet(options.no_log))
            return start_error("--log and --no-log exclude each other");
        const QString company_log = options.parser.value(options.company_log);
        if (const auto refusal = company_log.isEmpty()
                                     ? std::nullopt
                                     : kvr::records::company_url_refusal(company_log))
            return start_error("--company-log: ", *refusal);
        if (options.parser.isSet(options.reply_wait) &&
            !reply_wait_in(options.parser.value(options.reply_wait)))
            return start_error("--reply-wait takes milliseconds from 100 to 2000");
        const QStringList files = options.parser.positionalArguments();
        if (files.size() > 1) return start_error("one configuration file at a time");
        if (options.parser.isSet(options.site) &&
            !QFileInfo(options.parser.value(options.site)).isDir())
            return start_error("--site needs a folder: ", options.parser.value(options.site));
        // Opening the trace would empty the file it was asked to open.
        if (options.parser.isSet(options.trace) && !files.isEmpty() &&
            same_file(options.parser.value(options.trace), files.front()))
            return start_error("the trace would overwrite the file to open ", files.front());
    }

    QApplication app(argc, argv);
    CommandLine options;
    options.parser.process(app);
    const QStringList files = options.parser.positionalArguments();

    // Every object the window records into or talks to outlives it.
    kvr::LineTrace trace;
    const QString trace_file = options.parser.value(options.trace);
    if (options.parser.isSet(options.trace) && !trace.open(trace_file))
        return start_error("cannot create the trace file ",
                           trace_file + QStringLiteral(": ") + trace.error());
    std::unique_ptr<kvr::sim::PtyHost> simulated_panel;
    QtDialogs dialogs;
    Form1 window(dialogs);
    if (options.parser.isSet(options.trace)) window.set_line_trace(&trace);
    window.set_commissioning_log(kvr::records::log_path(
        options.parser.isSet(options.log) ? std::optional(options.parser.value(options.log))
                                          : std::nullopt,
        options.parser.isSet(options.no_log), QProcessEnvironment::systemEnvironment()));
    // The option, else the environment, else the one the window remembers.
    const QString company_log =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("KVR_COMPANY_LOG"));
    if (options.parser.isSet(options.company_log))
        window.set_company_log(options.parser.value(options.company_log));
    else if (!company_log.isEmpty())
        window.set_company_log(company_log);
    if (options.parser.isSet(options.port))
        window.use_given_port(options.parser.value(options.port));
    if (options.parser.isSet(options.reply_wait))
        window.set_reply_wait(*reply_wait_in(options.parser.value(options.reply_wait)));

    // Started after the window is built, so that it adds nothing to the wait for it.
    if (options.parser.isSet(options.simulate)) {
        try {
            simulated_panel = std::make_unique<kvr::sim::PtyHost>();
        } catch (const std::system_error& error) {
            std::fprintf(stderr, "kvr-config: cannot start the simulated panel: %s\n",
                         error.what());
            return 1;
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
                     qPrintable(trace_file), qPrintable(trace.failure()));
        return 4;
    }
    return exit_code;
}
