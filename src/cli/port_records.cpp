#include "cli/port_records.h"

#include <QFileInfo>

#include "cli/output.h"
#include "cli/outputs.h"

namespace kvr::cli {

QString logged_source(const QString& path) {
    return path == kStandardStream ? path : QFileInfo(path).absoluteFilePath();
}

void record_ports(const std::optional<QString>& log, const std::optional<QString>& company_log,
                  const PanelJob& job, std::vector<PortResult>& results) {
    if (!log) return;
    std::vector<const records::ConversationEnd*> ends;
    for (const PortResult& result : results)
        ends.push_back(&result);
    const records::LogResult logged = job.commit(log, company_log, ends);
    if (!logged.warning.isEmpty()) print_error(logged.warning);
    if (logged.company == records::CompanyState::waiting)
        print_error(QStringLiteral("company log: the entry waits to be pushed: ") +
                    logged.company_reason);
    for (PortResult& result : results) {
        result.logged = logged.logged;
        result.company = logged.company;
        result.company_reason = logged.company_reason;
    }
}

} // namespace kvr::cli
