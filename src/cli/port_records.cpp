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
    const records::LogResult logged = job.commit(invocation.log, ends);
    if (!logged.warning.isEmpty()) print_error(logged.warning);
    for (PortResult& result : results)
        result.logged = logged.logged;
}

void record_port(const Invocation& invocation, const PanelJob& job, PortResult& result) {
    std::vector<PortResult> one{result};
    record_ports(invocation, job, one);
    result.logged = one.front().logged;
}

} // namespace kvr::cli
