#pragma once
// What the commissioning log proves about a configuration: the one rule that the sheet's
// stamp, the handover pack, its --require-verified and the site all ask, so none of them
// certifies a panel the log does not name.

#include <QString>
#include <optional>

#include "configuration/configuration.h"
#include "records/commissioning_log.h"
#include "records/record.h"

namespace kvr::records {

// Whether the entry proves that a real panel held this configuration: a write that was
// verified or a verify that matched, of the configuration's panel name (as the name box
// keeps it, case and all) and of the values it programs, on a port that was not a
// simulated panel (an entry that does not say is not taken as real).
bool proves(const Record& entry, const Configuration& configuration);

struct Proof {
    std::optional<Record> entry;       // the newest entry that proves the configuration
    bool labels_changed_since = false; // the file's bytes are no longer those written
    QString unreadable;                // the log could not be read, and why: nothing is known
    bool proven() const { return entry.has_value(); }
};

// Asks the log. source_sha256 is the SHA-256 of the file the configuration is shown from,
// empty when it comes from no file: designations are not on the panel, so a file changed
// since the proving entry is said to be.
Proof proof_of(CommissioningLog& log, const Configuration& configuration,
               const QString& source_sha256 = {});

} // namespace kvr::records
