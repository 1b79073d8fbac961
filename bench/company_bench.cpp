// Pushes 100,000 waiting entries of one laptop to the company log and pulls them into
// another's, on the PostgreSQL server bench/company.sh starts (KVR_TEST_POSTGRES).
// Usage: bench/company.sh

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_company_log.h"
#include "elapsed.h"
#include "records/commissioning_log.h"

using namespace kvr::records;

namespace {

constexpr int kEntries = 100000;
constexpr int kBatch = 5000;

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString company = bench_company_log();
    if (company.isEmpty()) return 1;
    QTemporaryDir dir;
    CommissioningLog first(dir.filePath(QStringLiteral("first.sqlite")));
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-365);
    for (int done = 0; done < kEntries; done += kBatch) {
        std::vector<Record> entries(kBatch);
        for (int i = 0; i < kBatch; ++i) {
            entries[std::size_t(i)].time = start.addSecs((done + i) * 300);
            entries[std::size_t(i)].panel_name = QStringLiteral("PANEL %1").arg((done + i) % 300);
            entries[std::size_t(i)].device = QStringLiteral("/dev/ttyUSB%1").arg(i % 8);
            entries[std::size_t(i)].read_back = QList<std::int16_t>(25, 160);
        }
        if (!first.record_all(entries).logged) return 1;
    }
    first.set_company_log(company);
    CompanySync pushed;
    const double push_ms = milliseconds([&] { pushed = first.sync_company(60); });
    std::printf("log sync pushing %lld waiting entries:  %8.0f ms (target 20000)%s\n",
                static_cast<long long>(pushed.pushed), push_ms, qPrintable(pushed.failure));
    CommissioningLog second(dir.filePath(QStringLiteral("second.sqlite")));
    second.set_company_log(company);
    CompanySync pulled;
    const double pull_ms = milliseconds([&] { pulled = second.sync_company(60); });
    std::printf("log sync pulling %lld entries:          %8.0f ms (target 20000)%s\n",
                static_cast<long long>(pulled.pulled), pull_ms, qPrintable(pulled.failure));
    CompanySync again;
    const double again_ms = milliseconds([&] { again = second.sync_company(60); });
    std::printf("log sync again, nothing new (%lld, %lld): %8.0f ms\n",
                static_cast<long long>(again.pushed), static_cast<long long>(again.pulled),
                again_ms);
    return pushed.failure.isEmpty() && pulled.failure.isEmpty() ? 0 : 1;
}
