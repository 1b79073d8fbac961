// The verdicts of a folder of 100 panels over a commissioning log of 100,000 entries (a
// year of writes, verifies, reads and failures of those panels and 200 others, gangs among
// them), and log check of the whole log: the figures status, the pack and the site window
// wait for.
// Usage: verdict_bench

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

#include "files/configuration_file_io.h"
#include "records/sheet_records.h"
#include "elapsed.h"

using namespace kvr;
using namespace kvr::records;

namespace {

constexpr int kEntries = 100000;
constexpr int kFolderPanels = 100;
constexpr int kPanels = 300; // those of the folder and others of the company's sites

Configuration panel_number(int panel) {
    Configuration configuration;
    configuration.panel_name = "PANEL " + std::to_string(panel);
    configuration.codes.fill(160);
    configuration.codes[0] = static_cast<std::int16_t>(panel % 160);
    configuration.codes[1] = static_cast<std::int16_t>(panel / 160);
    return configuration;
}

// Mostly verified writes of the panel's values; now and then a write of other values, a
// verify, a read, a failure part-way, and gangs of two.
Record entry_number(int n, const QDateTime& start) {
    const int panel = n % kPanels;
    const Configuration configuration = panel_number(panel);
    Record entry;
    entry.time = start.addSecs(n * 300);
    entry.program = QStringLiteral("kvr-panel");
    entry.version = QStringLiteral("1.0");
    entry.device = QStringLiteral("/dev/ttyUSB%1").arg(n % 8);
    entry.adapter = {QStringLiteral("FT232R USB UART"), 0x0403, 0x6001, QStringLiteral("A1")};
    entry.line = LineKind::usb_adapter;
    entry.panel_name = QString::fromStdString(configuration.panel_name);
    entry.source_path = QStringLiteral("/site/%1.kcf").arg(entry.panel_name);
    PanelValues values = programmed_values(configuration);
    if (n % 23 == 0) values[5] = 11; // other values
    entry.values_digest = values_digest(values);
    entry.read_back = QList<std::int16_t>(values.begin(), values.end());
    entry.operation = n % 7 == 0    ? RecordOperation::verify
                      : n % 29 == 0 ? RecordOperation::read
                                    : RecordOperation::write;
    entry.outcome = entry.operation == RecordOperation::verify ? RecordOutcome::matches
                    : entry.operation == RecordOperation::read
                        ? RecordOutcome::read
                        : RecordOutcome::programmed_and_verified;
    if (n % 17 == 0 && entry.operation == RecordOperation::write) {
        entry.outcome = RecordOutcome::failed;
        entry.failure = failure_at(n % 25, QStringLiteral("COMMUNICATIONS FAILURE"));
    }
    if (n % 11 == 0) entry.run = QStringLiteral("run-%1").arg(n / 2);
    entry.duration_ms = 2800;
    entry.simulated = false;
    return entry;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it is measured
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("commissioning.sqlite"));
    const QString site = folder.filePath(QStringLiteral("site"));
    QDir().mkpath(site);
    for (int panel = 0; panel < kFolderPanels; ++panel)
        if (save_configuration_file(QDir(site).filePath(QStringLiteral("PANEL %1.kcf").arg(panel)),
                                    record_of(panel_number(panel))))
            return 1;
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
    CommissioningLog log(path);
    // A panel of another site, programmed before all the others and never since.
    const Configuration old = panel_number(1000);
    Record first_entry = entry_number(kPanels, start);
    first_entry.panel_name = QString::fromStdString(old.panel_name);
    first_entry.values_digest = values_digest(programmed_values(old));
    first_entry.run.clear();
    if (!log.record(first_entry).logged) return 1;
    const double fill = milliseconds_to_fill(
        log, kEntries, [&start](int n) { return entry_number(n, start); });
    std::printf("filled %d entries, chained, in %.0f ms\n", kEntries, fill);

    std::vector<HandoverPanel> panels;
    std::vector<Verdict> verdicts;
    for (const char* round : {"first, opens the log", "again"}) {
        CommissioningLog reader(path);
        const double took =
            milliseconds([&] { panels = handover_panels(site, reader, nullptr, &verdicts); });
        std::printf("verdicts of a folder of %zu panels (%s): %8.1f ms (target 500)\n",
                    panels.size(), round, took);
    }
    int proven = 0, unknown = 0;
    for (const Verdict& verdict : verdicts) {
        proven += verdict.proven();
        unknown += verdict.status == VerdictStatus::unknown;
    }
    std::printf("  %d proven, %d unknown, %d not proven\n", proven, unknown,
                int(verdicts.size()) - proven - unknown);

    // The panel proven by the first entry: the chain is walked from there to the newest.
    {
        CommissioningLog reader(path);
        Verdict verdict;
        const double took = milliseconds([&] { verdict = verdict_in_folder(reader, old, {}, {}); });
        std::printf("verdict of a panel proven by entry %lld of %d, the whole chain walked: "
                    "%.1f ms (%s)\n",
                    static_cast<long long>(verdict.entry ? verdict.entry->sequence : 0),
                    kEntries + 1, took, qPrintable(status_key(verdict.status)));
    }

    CommissioningLog checker(path);
    ChainCheck check;
    const double walked = milliseconds([&] { check = checker.check_chain(); });
    std::printf("log check of %lld entries: %8.1f ms (target 2000), %s\n",
                static_cast<long long>(check.entries), walked,
                check.holds() ? "the chain holds" : "BROKEN");

    // The same entries in a log of the second version (no sequence, no chain), upgraded in
    // place by the next entry written to it.
    const QString older = folder.filePath(QStringLiteral("second-version.sqlite"));
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), older);
        database.setDatabaseName(older);
        QSqlQuery query(database);
        if (!database.open() ||
            !query.exec(QStringLiteral("ATTACH DATABASE '%1' AS newer").arg(path)) ||
            !query.exec(QStringLiteral(
                "CREATE TABLE entries (id INTEGER PRIMARY KEY, time_utc TEXT, program TEXT, "
                "version TEXT, operation TEXT, device TEXT, adapter TEXT, vid_pid TEXT, "
                "serial_number TEXT, panel_name TEXT, source TEXT, source_sha256 TEXT, "
                "values_digest TEXT, outcome TEXT, failure_location INTEGER, "
                "failure_function TEXT, failure_reason TEXT, read_back TEXT, "
                "duration_ms INTEGER, simulated INTEGER)")) ||
            !query.exec(QStringLiteral(
                "INSERT INTO entries SELECT id, time_utc, program, version, operation, "
                "device, adapter, vid_pid, serial_number, panel_name, source, source_sha256, "
                "values_digest, outcome, failure_location, failure_function, failure_reason, "
                "read_back, duration_ms, simulated FROM newer.entries")) ||
            !query.exec(QStringLiteral("PRAGMA application_id = 1263948364")) ||
            !query.exec(QStringLiteral("PRAGMA user_version = 2")))
            return 1;
    }
    QSqlDatabase::removeDatabase(older);
    CommissioningLog upgraded(older);
    Record next = entry_number(kEntries + 1, start);
    const double upgrade = milliseconds([&] { upgraded.record(next); });
    const ChainCheck chained = CommissioningLog(older).check_chain();
    std::printf("a second-version log of %d entries upgraded and chained by its next entry: "
                "%.0f ms, %s\n",
                kEntries + 1, upgrade, chained.holds() ? "the chain holds" : "BROKEN");
    return check.holds() && chained.holds() ? 0 : 1;
}
