#include "records/conversation_record.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kvr::records {
namespace {

RecordOutcome outcome_of(RecordOperation operation, const ConversationEnd& end, bool differs) {
    if (end.outcome == Outcome::interrupted) return RecordOutcome::interrupted;
    if (!end.succeeded()) return RecordOutcome::failed;
    switch (operation) {
    case RecordOperation::write:
        return RecordOutcome::programmed_and_verified;
    case RecordOperation::verify:
        return differs ? RecordOutcome::differs : RecordOutcome::matches;
    case RecordOperation::read:
        break;
    }
    return RecordOutcome::read;
}

// What the operator saw, with what the panel said before the end.
QString reason_of(const ConversationEnd& end) {
    QString reason = end.final_text;
    if (const QString why = end.why(); !why.isEmpty()) reason += QLatin1String(": ") + why;
    if (end.outcome == Outcome::mismatch)
        reason += QStringLiteral(" (model code %1)").arg(end.model_code);
    return reason;
}

} // namespace

void note_line(ConversationEnd& end, const QString& name, const QString& device,
               bool simulated_inside) {
    end.device = name;
    end.simulated = simulated_inside || served_by_simulator(device);
    end.pseudo_terminal = is_pseudo_terminal(device);
}

Adapter adapter_of(const QString& device, const QList<PortDescription>& present) {
    const QString canonical = QFileInfo(port_path(device)).canonicalFilePath();
    if (canonical.isEmpty()) return {};
    for (const PortDescription& port : present)
        if (QFileInfo(port.device).canonicalFilePath() == canonical)
            return {port.description, port.vendor_id, port.product_id, port.serial_number};
    return {};
}

Record conversation_record(const LoggedOperation& operation, const ConversationEnd& end,
                           bool differs, const QList<PortDescription>& present) {
    Record entry;
    entry.program = QCoreApplication::applicationName();
    entry.version = QCoreApplication::applicationVersion();
    entry.operation = operation.operation;
    entry.device = end.device;
    entry.simulated = end.simulated;
    entry.adapter = adapter_of(end.device, present);
    entry.line = end.simulated                       ? LineKind::simulated
                 : end.pseudo_terminal               ? LineKind::pseudo_terminal
                 : entry.adapter.vid_pid().isEmpty() ? LineKind::serial_port
                                                     : LineKind::usb_adapter;
    entry.run = end.run;
    entry.panel_name = operation.panel_name;
    entry.source_path = operation.source_path;
    entry.source_sha256 = operation.source_sha256;
    entry.outcome = outcome_of(operation.operation, end, differs);
    const bool complete = end.locations_done == int(end.values.size());
    entry.values_digest = !operation.values_digest.isEmpty() ? operation.values_digest
                          : complete                         ? values_digest(end.values)
                                                             : QString();
    if (!end.succeeded()) {
        const Location* at = end.stopped_at;
        entry.failure =
            failure_at(at ? std::optional<int>(at->number) : std::nullopt, reason_of(end));
    }
    for (int i = 0; i < end.locations_done && i < int(end.values.size()); ++i)
        entry.read_back.append(end.values[std::size_t(i)]);
    entry.duration_ms = end.duration.count();
    return entry;
}

} // namespace kvr::records
