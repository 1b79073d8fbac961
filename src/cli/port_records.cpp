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
    const records::LogResult logged = log.record_all(entries);
    if (!logged.warning.isEmpty()) print_error(logged.warning);
    for (PortResult& result : results)
        result.logged = logged.logged;
}

void record_port(const Invocation& invocation, const LoggedOperation& operation, PortResult& result,
                 bool differing) {
    std::vector<PortResult> one{result};
    record_ports(invocation, operation, one, {differing});
    result.logged = one.front().logged;
}

} // namespace kvr::cli
