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

const Location* ConversationEnd::stopped_at() const {
    const auto locations = configuration_locations();
    const bool inside = locations_done < int(locations.size());
    if (outcome == Outcome::bad_data)
        return !identified ? find_location(model_code_location)
                           : &locations[inside ? locations_done : locations.size() - 1];
    if (outcome == Outcome::interrupted && locations_done > 0 && inside)
        return &locations[locations_done];
    return nullptr;
}

QString ConversationEnd::why() const {
    if (problem.isEmpty() || lateness.isEmpty()) return problem + lateness;
    return problem + QLatin1String(" - ") + lateness;
}

void ConversationEnd::written_back(const PanelConversation::ValueSource& written) {
    const auto locations = configuration_locations();
    for (int i = 0; i < locations_done; ++i)
        values[std::size_t(i)] = written(locations[std::size_t(i)]);
}

void note_line(ConversationEnd& end, const QString& name, const QString& device,
               bool simulated_inside) {
    end.device = name;
    end.simulated = simulated_inside || served_by_simulator(device);
    end.pseudo_terminal = is_pseudo_terminal(device);
}

void follow(PanelConversation& conversation, ConversationEnd& end, QObject* context) {
    QObject::connect(&conversation, &PanelConversation::status, context,
                     [&end](const QString& text, StatusColour colour) {
                         if (colour == StatusColour::red || colour == StatusColour::green)
                             end.final_text = text;
                         else if (text != StatusTexts::communications_ok &&
                                  colour == StatusColour::unchanged)
                             end.problem = text;
                     });
    QObject::connect(&conversation, &PanelConversation::answered_late, context,
                     [&end](const QString& text) { end.lateness = text; });
    QObject::connect(&conversation, &PanelConversation::panel_identified, context,
                     [&end] { end.identified = true; });
    QObject::connect(&conversation, &PanelConversation::model_code_read, context,
                     [&end](std::int16_t code) { end.model_code = code; });
    QObject::connect(
        &conversation, &PanelConversation::value_read, context,
        [&end](int location, std::int16_t value) { end.values[std::size_t(location)] = value; });
    QObject::connect(&conversation, &PanelConversation::progress, context,
                     [&end](int done, int) { end.locations_done = done; });
    QObject::connect(&conversation, &PanelConversation::finished, context,
                     [&end](Outcome outcome) { end.outcome = outcome; });
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
        const Location* at = end.stopped_at();
        entry.failure =
            failure_at(at ? std::optional<int>(at->number) : std::nullopt, reason_of(end));
    }
    for (int i = 0; i < end.locations_done && i < int(end.values.size()); ++i)
        entry.read_back.append(end.values[std::size_t(i)]);
    entry.duration_ms = end.duration.count();
    return entry;
}

} // namespace kvr::records
