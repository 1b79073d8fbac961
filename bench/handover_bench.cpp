// A handover pack of 100 panels: the files saved in a folder, half of them with a verified
// entry in a log, then the folder read, the log asked and the PDF written, each timed.
// Usage: handover_bench [PACK.pdf]   (a temporary file when none is given)

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_site.h"
#include "records/sheet_records.h"

using namespace kvr;
using namespace kvr::records;

namespace {

constexpr int kPanels = 100;

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    QTemporaryDir folder;
    const QString pack =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : folder.filePath(QStringLiteral("pack.pdf"));
    const QString site = folder.filePath(QStringLiteral("site"));
    if (!save_bench_site(site, kPanels)) return 1;
    CommissioningLog log(folder.filePath(QStringLiteral("commissioning.sqlite")));
    for (int n = 0; n < kPanels; n += 2) {
        Record entry = verified_entry(n);
        entry.panel_name.clear(); // proven by its values alone
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
