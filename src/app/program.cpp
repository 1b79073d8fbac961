#include "program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>
#include <system_error>

#include "dialogs.h"
#include "form1.h"
#include "simulator/pty_host.h"

int run_kvr_config(int& argc, char** argv, const std::function<void(QWidget*)>& before_show) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvr-config"));

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Configures the KVR 10-button dimmable switch panel (07-04412)."));
    options.addHelpOption();
    const QCommandLineOption port_option(
        QStringLiteral("port"),
        QStringLiteral("Uses DEVICE as serial port 1 (a USB adapter, a pseudo-terminal)."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulate_option(
        QStringLiteral("simulate"),
        QStringLiteral(
            "Starts a simulated panel inside the program and uses it as serial port 1."));
    options.addOption(port_option);
    options.addOption(simulate_option);
    options.process(app);
    if (options.isSet(port_option) && options.isSet(simulate_option)) {
        std::fputs("kvr-config: --port and --simulate exclude each other\n", stderr);
        return 2;
    }

    // Outlives the window, which may still hold its line; started after the window is
    // built, so that it adds nothing to the wait for it.
    std::unique_ptr<kvr::sim::PtyHost> simulated_panel;
    QtDialogs dialogs;
    Form1 window(dialogs);
    if (options.isSet(port_option)) window.set_panel_port(options.value(port_option));

    if (options.isSet(simulate_option)) {
        try {
            simulated_panel = std::make_unique<kvr::sim::PtyHost>();
        } catch (const std::system_error& error) {
            std::fprintf(stderr, "kvr-config: cannot start the simulated panel: %s\n",
                         error.what());
            return 1;
        }
        window.set_panel_port(QString::fromStdString(simulated_panel->slave_path()));
    }

    if (before_show) before_show(&window);
    window.show();
    return QApplication::exec();
}
