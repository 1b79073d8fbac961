#include "records/sheet_records.h"

#include <QDir>
#include <variant>

#include "files/configuration_file_io.h"

namespace kvr::records {
namespace {

// Keeps the first warning only: the same unreadable log would repeat it for every file.
void keep_first(QString* warning, const QString& found) {
    if (warning && warning->isEmpty()) *warning = found;
}

} // namespace

std::optional<SheetStamp> verified_stamp(CommissioningLog& log, const Configuration& configuration,
                                         QString* warning) {
    QString problem;
    const std::optional<Record> entry =
        log.latest_with_digest(values_digest(programmed_values(configuration)), true, &problem);
    keep_first(warning, problem);
    if (!entry) return std::nullopt;
    return SheetStamp{entry->time, entry->device,
                      entry->outcome == RecordOutcome::programmed_and_verified};
}

std::vector<HandoverPanel> handover_panels(const QString& folder, CommissioningLog& log,
                                           QString* warning) {
    std::vector<HandoverPanel> panels;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.kcf")}, QDir::Files, QDir::Name)) {
        HandoverPanel panel;
        panel.file_name = name;
        const FileReadResult read = read_configuration_file(dir.filePath(name));
        if (const auto* record = std::get_if<ConfigurationRecord>(&read)) {
            panel.configuration = configuration_of(*record);
            QString problem;
            const PanelValues values = programmed_values(*panel.configuration);
            if (const auto last = log.latest_with_digest(values_digest(values), false, &problem))
                panel.last =
                    HandoverLogEntry{outcome_text(last->outcome), last->time, last->device};
            keep_first(warning, problem);
            panel.stamp = verified_stamp(log, *panel.configuration, warning);
        } else if (const auto* not_opened = std::get_if<FileNotOpened>(&read)) {
            panel.refusal = not_opened->reason;
        } else {
            panel.refusal = std::get<NotAConfigurationFile>(read).reason;
        }
        panels.push_back(std::move(panel));
    }
    return panels;
}

} // namespace kvr::records
