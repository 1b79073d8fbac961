#include "cli/port_records.h"

#include <QFileInfo>

#include "cli/output.h"
#include "cli/outputs.h"

namespace kvr::cli {

QString logged_source(const QString& path) {
    return path == kStandardStream ? path : QFileInfo(path).absoluteFilePath();
}

void record_ports(const Invocation& invocation, const PanelJob& job,
                  std::vector<PortResult>& results) {
    if (!invocation.log) return;
    std::vector<const records::ConversationEnd*> ends;
    for (const PortResult& result : results)
        ends.push_back(&result);
    const records::LogResult logged = job.commit(invocation.log, invocation.company_log, ends);
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

void record_port(const Invocation& invocation, const PanelJob& job, PortResult& result) {
    std::vector<PortResult> one{result};
    record_ports(invocation, job, one);
    result.logged = one.front().logged;
    result.company = one.front().company;
    result.company_reason = one.front().company_reason;
}

} // namespace kvr::cli
