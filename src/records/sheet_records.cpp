#include "records/sheet_records.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <map>
#include <variant>

#include "configuration/windows1252.h"
#include "files/configuration_file_io.h"

namespace kvr::records {
namespace {

// Keeps the first warning only: the same unreadable log would repeat it for every file.
void keep_first(QString* warning, const QString& found) {
    if (warning && warning->isEmpty()) *warning = found;
}

// Why a folder entry cannot be opened as a configuration file without reading it, or
// nothing for a regular file (or a link to one). Nothing that could make a read wait, a
// FIFO above all, is ever opened.
std::optional<QString> refusal_of_entry(const QFileInfo& entry) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path(entry.absoluteFilePath().toStdU16String());
    const fs::file_status status = fs::status(path, error);
    if (error == std::errc::too_many_symbolic_link_levels)
        return QStringLiteral("it is a link that leads back to itself");
    if (entry.isSymLink() && !fs::exists(status))
        return QStringLiteral("it is a link to %1, which is not there")
            .arg(QDir::toNativeSeparators(entry.symLinkTarget()));
    if (error) return QString::fromStdString(error.message());
    switch (status.type()) {
    case fs::file_type::regular:
        return std::nullopt;
    case fs::file_type::directory:
        return QStringLiteral("it is a folder, not a file");
    case fs::file_type::fifo:
        return QStringLiteral("it is a FIFO, not a file; it was not opened");
    default:
        return QStringLiteral("it is a device or a socket, not a file; it was not opened");
    }
}

HandoverPanel panel_of(const QFileInfo& entry, CommissioningLog& log, QString* warning) {
    HandoverPanel panel;
    panel.file_name = entry.fileName();
    if (const std::optional<QString> refusal = refusal_of_entry(entry)) {
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
    const Configuration& configuration = *panel.configuration;
    const QString name = QString::fromStdU16String(from_windows1252(configuration.panel_name));
    History last = log.with_digest(values_digest(programmed_values(configuration)), 1,
                                   [&name](const Record& e) { return e.panel_name == name; });
    keep_first(warning, last.warning);
    if (!last.entries.empty()) {
        const Record& entry = last.entries.front();
        panel.last = HandoverLogEntry{outcome_text(entry.outcome), entry.time, entry.device};
    }
    const Proof proof =
        proof_of(log, configuration, file_sha256(entry.absoluteFilePath()).value_or(QString()));
    keep_first(warning, proof.unreadable);
    panel.stamp = sheet_stamp(proof);
    panel.log_unreadable = !proof.unreadable.isEmpty();
    return panel;
}

// A proof by name holds only for a name that one file of the site gives.
void mark_shared_names(std::vector<HandoverPanel>& panels) {
    std::map<std::string, std::vector<HandoverPanel*>> by_name;
    for (HandoverPanel& panel : panels)
        if (panel.configuration) by_name[panel.configuration->panel_name].push_back(&panel);
    for (auto& [name, sharing] : by_name) {
        if (sharing.size() < 2) continue;
        for (HandoverPanel* panel : sharing) {
            QStringList others;
            for (const HandoverPanel* other : sharing)
                if (other != panel) others << other->file_name;
            panel->problem = QStringLiteral("panel name also in %1: not proven by name")
                                 .arg(others.join(QStringLiteral(", ")));
            panel->stamp.reset();
        }
    }
}

} // namespace

std::optional<SheetStamp> sheet_stamp(const Proof& proof) {
    if (!proof.entry) return std::nullopt;
    const Record& entry = *proof.entry;
    return SheetStamp{entry.time,
                      entry.device,
                      entry.adapter.description,
                      entry.source_path.isEmpty() ? QString()
                                                  : QFileInfo(entry.source_path).fileName(),
                      entry.outcome == RecordOutcome::programmed_and_verified,
                      proof.labels_changed_since};
}

std::vector<HandoverPanel> handover_panels(const QString& folder, CommissioningLog& log,
                                           QString* warning) {
    std::vector<HandoverPanel> panels;
    const QDir dir(folder);
    // Every kind of entry, hidden and broken ones too: each is on the index, refused or not.
    const QFileInfoList entries =
        dir.entryInfoList({QStringLiteral("*.kcf")},
                          QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                          QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        panels.push_back(panel_of(entry, log, warning));
    mark_shared_names(panels);
    return panels;
}

} // namespace kvr::records
