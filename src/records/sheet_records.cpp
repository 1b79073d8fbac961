#include "records/sheet_records.h"

#include <QDir>
#include <QFileInfo>
#include <variant>

#include "configuration/windows1252.h"
#include "files/configuration_file_io.h"
#include "files/whole_input.h"

namespace kvr::records {
namespace {

// Keeps the first warning only: the same unreadable log would repeat it for every file.
void keep_first(QString* warning, const QString& found) {
    if (warning && warning->isEmpty()) *warning = found;
}

// A folder entry read as the window opens it, or the reason it was refused.
HandoverPanel panel_of(const QFileInfo& entry) {
    HandoverPanel panel;
    panel.file_name = entry.fileName();
    if (const std::optional<QString> refusal = unreadable_file(entry.absoluteFilePath())) {
        panel.refusal = *refusal;
        return panel;
    }
    const FileReadResult read = read_configuration_file(entry.absoluteFilePath());
    if (const auto* not_opened = std::get_if<FileNotOpened>(&read)) {
        panel.refusal = not_opened->reason;
        return panel;
    }
    if (const auto* refused = std::get_if<NotAConfigurationFile>(&read)) {
        panel.refusal = refused->reason;
        return panel;
    }
    panel.configuration = configuration_of(std::get<ConfigurationRecord>(read));
    return panel;
}

// The folder's .kcf entries, hidden and broken ones too: each is on the index, refused or not.
std::vector<HandoverPanel> folder_panels(const QString& folder) {
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {QStringLiteral("*.kcf")},
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
        QDir::Name | QDir::IgnoreCase);
    std::vector<HandoverPanel> panels;
    for (const QFileInfo& entry : entries)
        panels.push_back(panel_of(entry));
    return panels;
}

VerdictSubject subject_of(const HandoverPanel& panel, const QString& folder) {
    return {panel.file_name, panel.configuration ? &*panel.configuration : nullptr, panel.refusal,
            panel.configuration
                ? file_sha256(QDir(folder).filePath(panel.file_name)).value_or(QString())
                : QString(),
            false};
}

} // namespace

SheetVerdict sheet_verdict(const Verdict& verdict) {
    SheetVerdict shown{SheetVerdict::Status(verdict.status), verdict.reason, std::nullopt};
    if (!verdict.proven() || !verdict.entry) return shown;
    const Record& entry = *verdict.entry;
    shown.stamp = SheetStamp{entry.time,
                             port_text(entry),
                             entry.adapter.description,
                             entry.source_path.isEmpty() ? QString()
                                                         : QFileInfo(entry.source_path).fileName(),
                             entry.operation == RecordOperation::write,
                             verdict.labels_changed_since};
    return shown;
}

std::vector<HandoverPanel> handover_panels(const QString& folder, CommissioningLog& log,
                                           QString* warning, std::vector<Verdict>* verdicts_out) {
    std::vector<HandoverPanel> panels = folder_panels(folder);
    std::vector<VerdictSubject> subjects;
    for (const HandoverPanel& panel : panels)
        subjects.push_back(subject_of(panel, folder));
    Verdicts verdicts = verdicts_of(log, subjects);
    keep_first(warning, verdicts.unreadable);
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const Verdict& verdict = verdicts.of[i];
        panels[i].verdict = sheet_verdict(verdict);
        if (verdict.newest)
            panels[i].last = HandoverLogEntry{outcome_text(verdict.newest->outcome),
                                              verdict.newest->time, port_text(*verdict.newest)};
    }
    if (verdicts_out) *verdicts_out = verdicts.of;
    return panels;
}

Verdict verdict_in_folder(CommissioningLog& log, const Configuration& configuration,
                          const QString& file_path, const QString& source_sha256, QString* warning,
                          bool texts_changed) {
    const QFileInfo file(file_path);
    std::vector<HandoverPanel> panels;
    if (!file_path.isEmpty()) panels = folder_panels(file.absolutePath());
    std::vector<VerdictSubject> subjects;
    for (const HandoverPanel& panel : panels)
        if (panel.file_name != file.fileName())
            subjects.push_back(subject_of(panel, file.absolutePath()));
    subjects.push_back({file.fileName(), &configuration, {}, source_sha256, texts_changed});
    Verdicts verdicts = verdicts_of(log, subjects);
    keep_first(warning, verdicts.unreadable);
    return std::move(verdicts.of.back());
}

} // namespace kvr::records
