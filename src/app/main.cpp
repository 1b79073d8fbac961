// kvr-config: configures the KVR 10-button dimmable switch panel.

#include <QApplication>
#include <QCommandLineParser>

#include "dialogs.h"
#include "form1.h"
#include "startup_probe.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvr-config"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Configures the KVR 10-button dimmable switch panel (07-04412)."));
    options.addHelpOption();
    options.process(app);

    QtDialogs dialogs;
    Form1 window(dialogs);
    install_startup_probe(&window);
    window.show();
    return QApplication::exec();
}
