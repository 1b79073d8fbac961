// Fills a commissioning log with 100,000 entries (300 panels, 8 ports, a year of work) and
// times what kvr-panel history asks of it, and one committed entry (the verdicts:
// verdict_bench).
// Usage: history_bench [LOG.sqlite]   (a temporary log when none is given)

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "records/commissioning_log.h"
#include "elapsed.h"

using namespace kvr;
using namespace kvr::records;

namespace {

constexpr int kEntries = 100000;
constexpr int kPanels = 300;
constexpr int kPorts = 8;

Record entry_number(int n, const QDateTime& start) {
    Record entry;
    entry.time = start.addSecs(n * 300);
    entry.program = QStringLiteral("kvr-panel");
    entry.version = QStringLiteral("1.0");
    entry.operation = n % 5 == 0 ? RecordOperation::verify : RecordOperation::write;
    entry.device = QStringLiteral("/dev/ttyUSB%1").arg(n % kPorts);
    entry.adapter = {QStringLiteral("FT232R USB UART"), 0x0403, 0x6001,
                     QStringLiteral("A%1").arg(n % kPorts)};
    entry.panel_name = QStringLiteral("PANEL %1").arg(n % kPanels);
    entry.source_path = QStringLiteral("/site/%1.kcf").arg(entry.panel_name);
    PanelValues values{};
    values.fill(160);
    values[0] = static_cast<std::int16_t>(n % kPanels % 160);
    entry.values_digest = values_digest(values);
    entry.outcome = n % 17 == 0 ? RecordOutcome::failed : RecordOutcome::programmed_and_verified;
    entry.read_back = QList<std::int16_t>(values.begin(), values.end());
    entry.duration_ms = 2800 + n % 200;
    return entry;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : folder.filePath(QStringLiteral("commissioning.sqlite"));
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC);

    CommissioningLog log(path);
    const double fill = milliseconds_to_fill(
        log, kEntries, [&start](int n) { return entry_number(n, start); });
    std::printf("filled %d entries in %.0f ms\n", kEntries, fill);

    CommissioningLog reader(path);
    const auto report = [&reader](const char* what, const HistoryFilter& filter) {
        std::size_t found = 0;
        const double took = milliseconds([&] { found = reader.entries(filter).entries.size(); });
        std::printf("%-44s %6zu entries in %7.2f ms\n", what, found, took);
    };
    HistoryFilter panel;
    panel.panel_name = QStringLiteral("PANEL 42");
    report("history --panel (first query, opens the log)", panel);
    report("history --panel", panel);
    HistoryFilter device;
    device.device = QStringLiteral("/dev/ttyUSB3");
    device.since = start.addDays(300);
    report("history --device --since", device);
    HistoryFilter recent;
    recent.since = start.addDays(340);
    report("history --since", recent);

    Record one = entry_number(kEntries, start);
    one.time = QDateTime();
    const double commit = milliseconds([&] { log.record(one); });
    std::printf("%-44s %21.2f ms\n", "one entry committed (full sync)", commit);
    return 0;
}
