// A handover pack of 100 panels: the files saved in a folder, half of them with a verified
// entry in a log, then the folder read, the log asked and the PDF written, each timed.
// Usage: handover_bench [PACK.pdf]   (a temporary file when none is given)

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "files/configuration_file_io.h"
#include "records/sheet_records.h"

using namespace kvr;
using namespace kvr::records;

namespace {

constexpr int kPanels = 100;

Configuration panel_number(int n) {
    Configuration configuration;
    configuration.panel_name = QStringLiteral("FLOOR%1-%2").arg(n / 10).arg(n % 10).toStdString();
    for (int f = 0; f < kFunctionCount; ++f)
        configuration.codes[f] = static_cast<std::int16_t>((n + f * 7) % 161);
    for (int d = 0; d < 2 * kSwitchCount; ++d)
        configuration.designations[d] =
            QStringLiteral("Room %1 light %2").arg(n).arg(d).toStdString();
    return configuration;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    QTemporaryDir folder;
    const QString pack =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : folder.filePath(QStringLiteral("pack.pdf"));
    const QString site = folder.filePath(QStringLiteral("site"));
    QDir().mkpath(site);
    CommissioningLog log(folder.filePath(QStringLiteral("commissioning.sqlite")));
    for (int n = 0; n < kPanels; ++n) {
        const Configuration configuration = panel_number(n);
        const QString path = QStringLiteral("%1/%2.kcf").arg(site).arg(n, 3, 10, QLatin1Char('0'));
        if (const auto failure = save_configuration_file(path, record_of(configuration))) {
            std::fprintf(stderr, "%s\n", qPrintable(*failure));
            return 1;
        }
        if (n % 2) continue;
        Record entry;
        entry.device = QStringLiteral("/dev/ttyUSB%1").arg(n % 4);
        entry.values_digest = values_digest(programmed_values(configuration));
        entry.outcome = RecordOutcome::programmed_and_verified;
        log.record(entry);
    }

    QElapsedTimer timer;
    timer.start();
    const std::vector<HandoverPanel> panels = handover_panels(site, log);
    const double gathered = timer.nsecsElapsed() / 1e6;
    SheetSite details{QStringLiteral("Riverside Offices"),
                      {},
                      QStringLiteral("J-2291"),
                      QStringLiteral("A. Installer"),
                      QStringLiteral("Example Controls Ltd")};
    QString error;
    if (!write_handover_pack(panels, details, QDateTime::currentDateTime(), pack, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const double total = timer.nsecsElapsed() / 1e6;
    std::printf("%d panels: folder read and log asked in %.0f ms, pack written in %.0f ms, "
                "%.0f ms in all (%.1f MB)\n",
                kPanels, gathered, total - gathered, total, QFileInfo(pack).size() / 1e6);
    return 0;
}
