#include "cli/port_records.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "cli/output.h"
#include "cli/outputs.h"
#include "panel/serial_ports.h"
#include "records/commissioning_log.h"

namespace kvr::cli {

namespace {

using records::RecordOperation;
using records::RecordOutcome;

RecordOutcome outcome_of(RecordOperation operation, const PortResult& result, bool differs) {
    if (result.outcome == Outcome::interrupted) return RecordOutcome::interrupted;
    if (!result.succeeded()) return RecordOutcome::failed;
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

// The adapter behind a port as the system describes it; nothing for a simulated panel or a
// port the system does not list.
records::Adapter adapter_of(const QString& device, const QList<PortDescription>& present) {
    const QString canonical = QFileInfo(port_path(device)).canonicalFilePath();
    if (canonical.isEmpty()) return {};
    for (const PortDescription& port : present)
        if (QFileInfo(port.device).canonicalFilePath() == canonical)
            return {port.description, port.vendor_id, port.product_id, port.serial_number};
    return {};
}

// What the operator saw, with what the panel said before the end.
QString reason_of(const PortResult& result) {
    QString reason = result.final_text;
    if (!result.problem.isEmpty()) reason += QLatin1String(": ") + result.problem;
    if (result.outcome == Outcome::mismatch)
        reason += QStringLiteral(" (model code %1)").arg(result.model_code);
    return reason;
}

records::Record entry_of(const LoggedOperation& operation, const PortResult& result, bool differs,
                         const QList<PortDescription>& present) {
    records::Record entry;
    entry.program = QCoreApplication::applicationName();
    entry.version = QCoreApplication::applicationVersion();
    entry.operation = operation.operation;
    entry.device = result.device;
    entry.adapter = adapter_of(result.device, present);
    entry.panel_name = operation.panel_name;
    entry.source_path = operation.source_path;
    entry.source_sha256 = operation.source_sha256;
    entry.outcome = outcome_of(operation.operation, result, differs);
    const bool complete = result.locations_done == int(result.values.size());
    entry.values_digest = !operation.values_digest.isEmpty() ? operation.values_digest
                          : complete                         ? records::values_digest(result.values)
                                                             : QString();
    if (!result.succeeded()) {
        const Location* at = result.stopped_at();
        entry.failure = records::failure_at(at ? std::optional<int>(at->number) : std::nullopt,
                                            reason_of(result));
    }
    for (int i = 0; i < result.locations_done && i < int(result.values.size()); ++i)
        entry.read_back.append(result.values[std::size_t(i)]);
    entry.duration_ms = result.duration.count();
    return entry;
}

} // namespace

QString logged_source(const QString& path) {
    return path == kStandardStream ? path : QFileInfo(path).absoluteFilePath();
}

void record_ports(const Invocation& invocation, const LoggedOperation& operation,
                  std::vector<PortResult>& results, const std::vector<bool>& differing) {
    if (!invocation.log) return;
    const QList<PortDescription> present = present_ports();
    std::vector<records::Record> entries;
    for (std::size_t i = 0; i < results.size(); ++i)
        entries.push_back(
            entry_of(operation, results[i], i < differing.size() && differing[i], present));
    records::CommissioningLog log(invocation.log);
    const records::LogResult logged = log.record_all(entries);
    if (!logged.warning.isEmpty()) print_error(logged.warning);
    for (PortResult& result : results)
        result.logged = logged.logged;
}

} // namespace kvr::cli
