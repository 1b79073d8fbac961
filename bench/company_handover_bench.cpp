// A handover pack of 100 panels written by kvr-panel on a laptop that programmed none of
// them: two stations programmed half each and pushed to the company log on the server
// bench/company.sh starts (KVR_TEST_POSTGRES). Timed as whole runs, the median of
// several: with the local log only, then with the company log read first, as it grows with
// other sites' entries.
// Usage: bench/company.sh [BUILD] company_handover_bench

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "bench_company_log.h"
#include "bench_site.h"
#include "elapsed.h"
#include "records/commissioning_log.h"

using namespace kvr;
using namespace kvr::records;

namespace {

constexpr int kPanels = 100;
constexpr int kRuns = 5;
constexpr int kOtherSites[] = {0, 10000, 100000};

// The median wall time of kvr-panel run with these arguments; exits when a run fails.
double median_run(const QStringList& arguments) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QProcess process;
        const double ms = milliseconds([&] {
            process.start(QStringLiteral(KVR_PANEL), arguments);
            process.waitForFinished(-1);
        });
        if (process.exitCode() != 0) {
            std::fprintf(stderr, "kvr-panel %s: exit %d\n%s", qPrintable(arguments.join(' ')),
                         process.exitCode(), process.readAllStandardError().constData());
            std::exit(1);
        }
        times.push_back(ms);
    }
    std::ranges::sort(times);
    return times[times.size() / 2];
}

void push_or_exit(CommissioningLog& log, const QString& company) {
    log.set_company_log(company);
    const CompanyPush push = log.push_company(60);
    if (push.state == CompanyState::pushed) return;
    std::fprintf(stderr, "%s\n", qPrintable(push.reason));
    std::exit(1);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString company = bench_company_log();
    if (company.isEmpty()) return 1;
    QTemporaryDir folder;
    const QString site = folder.filePath(QStringLiteral("site"));
    if (!save_bench_site(site, kPanels)) return 1;
    CommissioningLog first(folder.filePath(QStringLiteral("first.sqlite")));
    CommissioningLog second(folder.filePath(QStringLiteral("second.sqlite")));
    for (int n = 0; n < kPanels; ++n) {
        Record entry = verified_entry(n);
        (n % 2 ? second : first).record(entry);
    }
    push_or_exit(first, company);
    push_or_exit(second, company);

    const QString laptop = folder.filePath(QStringLiteral("laptop.sqlite"));
    const QStringList pack{QStringLiteral("handover"),
                           site,
                           QStringLiteral("-o"),
                           folder.filePath(QStringLiteral("pack.pdf")),
                           QStringLiteral("--log"),
                           laptop,
                           QStringLiteral("--require-verified")};
    // The laptop's first pack pulls both stations' entries; every later one proves them all.
    // The local log is timed as it is after the pull, holding as many entries.
    const QStringList read_first = pack + QStringList{QStringLiteral("--company-log"), company};
    CommissioningLog others(folder.filePath(QStringLiteral("others.sqlite")));
    int held = 0;
    for (const int other_sites : kOtherSites) {
        milliseconds_to_fill(others, other_sites - held, [&](int n) {
            Record entry;
            entry.panel_name = QStringLiteral("OTHER SITE %1").arg((held + n) % 5000);
            entry.device = QStringLiteral("/dev/ttyUSB0");
            entry.outcome = RecordOutcome::programmed_and_verified;
            return entry;
        });
        held = other_sites;
        push_or_exit(others, company);
        median_run(read_first); // the new entries pulled once
        const double local = median_run(pack);
        const double read = median_run(read_first);
        std::printf("%d panels, %6d other sites' entries: local log %5.0f ms, company log "
                    "read first %5.0f ms, %.2fx (target 1.5x)\n",
                    kPanels, other_sites, local, read, read / local);
    }
    return 0;
}
