#include "cli/port_records.h"

#include <QFileInfo>

#include "cli/output.h"
#include "cli/outputs.h"
#include "panel/serial_ports.h"
#include "records/commissioning_log.h"

namespace kvr::cli {

QString logged_source(const QString& path) {
    return path == kStandardStream ? path : QFileInfo(path).absoluteFilePath();
}

void record_ports(const Invocation& invocation, const LoggedOperation& operation,
                  std::vector<PortResult>& results, const std::vector<bool>& differing) {
    if (!invocation.log) return;
    const QList<PortDescription> present = present_ports();
    std::vector<records::Record> entries;
    for (std::size_t i = 0; i < results.size(); ++i)
        entries.push_back(records::conversation_record(
            operation, results[i], i < differing.size() && differing[i], present));
    records::CommissioningLog log(invocation.log);
    log.set_company_log(invocation.company_log);
    const records::LogResult logged = log.record_all(entries);
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

void record_port(const Invocation& invocation, const LoggedOperation& operation, PortResult& result,
                 bool differing) {
    std::vector<PortResult> one{result};
    record_ports(invocation, operation, one, {differing});
    result.logged = one.front().logged;
    result.company = one.front().company;
    result.company_reason = one.front().company_reason;
}

} // namespace kvr::cli
