#include "records/panel_job.h"

#include "panel/memory_map.h"
#include "panel/serial_ports.h"

namespace kvr::records {

void PanelJob::start(PanelConversation& conversation) const {
    if (identify_only)
        conversation.start_identify();
    else if (logged.operation == RecordOperation::write)
        conversation.start_write(values);
    else
        conversation.start_read();
}

std::vector<int> PanelJob::differing(const ConversationResult& result) const {
    if (!compared || !result.succeeded()) return {};
    return locations_differing(*compared, result.values);
}

LogResult PanelJob::commit(const std::optional<QString>& path,
                           const std::optional<QString>& company_log,
                           std::span<const ConversationEnd* const> ends) const {
    if (!path || identify_only) return {};
    const QList<PortDescription> present = present_ports();
    std::vector<Record> entries;
    for (const ConversationEnd* end : ends)
        entries.push_back(conversation_record(logged, *end, !differing(*end).empty(), present));
    CommissioningLog log(path);
    log.set_company_log(company_log);
    return log.record_all(entries);
}

} // namespace kvr::records
