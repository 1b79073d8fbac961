#include "program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

#include "dialogs.h"
#include "form1.h"
#include "panel/line_trace.h"
#include "simulator/pty_host.h"

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

    CommandLine() {
        parser.setApplicationDescription(
            QStringLiteral("Configures the KVR 10-button dimmable switch panel (07-04412)."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({port, simulate, trace});
        parser.addPositionalArgument(
            QStringLiteral("FILE"), QStringLiteral("A configuration file (.kcf) to open at start."),
            QStringLiteral("[FILE]"));
    }
};

// Asking for help or the version needs no display, so it is answered before the window
// system is started (over ssh there may be none).
bool asks_for_help_or_version(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        for (const std::string_view option :
             {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (arg == option) return true;
    }
    return false;
}

int start_error(const char* text, const QString& detail = {}) {
    std::fprintf(stderr, "kvr-config: %s%s\n", text, qPrintable(detail));
    return 2;
}

} // namespace

int run_kvr_config(int& argc, char** argv, const std::function<void(QWidget*)>& before_show) {
    QCoreApplication::setApplicationName(QStringLiteral("kvr-config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVR_VERSION));
    if (asks_for_help_or_version(argc, argv)) {
        QCoreApplication without_display(argc, argv);
        CommandLine().parser.process(without_display); // answers and exits
        return 0;
    }

    QApplication app(argc, argv);
    CommandLine options;
    options.parser.process(app);
    if (options.parser.isSet(options.port) && options.parser.isSet(options.simulate))
        return start_error("--port and --simulate exclude each other");
    const QStringList files = options.parser.positionalArguments();
    if (files.size() > 1) return start_error("one configuration file at a time");

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
    if (options.parser.isSet(options.port))
        window.use_given_port(options.parser.value(options.port));

    // Started after the window is built, so that it adds nothing to the wait for it.
    if (options.parser.isSet(options.simulate)) {
        try {
            simulated_panel = std::make_unique<kvr::sim::PtyHost>();
        } catch (const std::system_error& error) {
            std::fprintf(stderr, "kvr-config: cannot start the simulated panel: %s\n",
                         error.what());
            return 1;
        }
        window.use_given_port(QString::fromStdString(simulated_panel->slave_path()),
                              QStringLiteral("SIMULATED PANEL"));
    }

    // A file given (a double click on it) opens once the window is there to own its messages.
    if (!files.isEmpty()) {
        const QString file = QFileInfo(files.front()).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, file] { window.open_configuration_file(file); });
    }

    if (before_show) before_show(&window);
    window.show();
    return QApplication::exec();
}
