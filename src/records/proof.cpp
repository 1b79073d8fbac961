#include "records/proof.h"

#include "configuration/windows1252.h"

namespace kvr::records {

namespace {

QString panel_name_of(const Configuration& configuration) {
    return QString::fromStdU16String(from_windows1252(configuration.panel_name));
}

} // namespace

bool proves(const Record& entry, const Configuration& configuration) {
    return proves_verified(entry.outcome) && entry.simulated == false &&
           entry.panel_name == panel_name_of(configuration) &&
           entry.values_digest == values_digest(programmed_values(configuration));
}

Proof proof_of(CommissioningLog& log, const Configuration& configuration,
               const QString& source_sha256) {
    History found = log.with_digest(
        values_digest(programmed_values(configuration)), 1,
        [&configuration](const Record& entry) { return proves(entry, configuration); });
    Proof proof;
    proof.unreadable = found.warning;
    if (found.entries.empty()) return proof;
    proof.entry = std::move(found.entries.front());
    proof.labels_changed_since = !source_sha256.isEmpty() &&
                                 !proof.entry->source_sha256.isEmpty() &&
                                 proof.entry->source_sha256 != source_sha256;
    return proof;
}

} // namespace kvr::records
