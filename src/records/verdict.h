#pragma once
// What the commissioning log says a panel holds now, and so whether it proves a file: the
// panel's history folded in the order the entries were made (their sequence, never the
// clock), the newest evidence deciding. The one rule that the sheet, the handover pack and
// --require-verified, status, check, the site window and the window's stamp all ask; none
// of them decides anything of its own.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "configuration/configuration.h"
#include "records/commissioning_log.h"
#include "records/record.h"

namespace kvr::records {

enum class VerdictStatus : std::uint8_t { proven, not_proven, unknown };

// "proven", "not_proven", "unknown": the words of the JSON outputs.
QString status_key(VerdictStatus status);
// "PROVEN", "NOT PROVEN", "UNKNOWN": the words of the texts.
QString status_words(VerdictStatus status);

struct Verdict {
    VerdictStatus status = VerdictStatus::not_proven;
    QString reason;               // one line a person can act on
    std::optional<Record> entry;  // the entry the verdict rests on, when one does
    std::optional<Record> newest; // the newest entry of the panel name, whatever it says
    // Proven, but the file's bytes are no longer those written (designations are not on
    // the panel).
    bool labels_changed_since = false;

    bool proven() const { return status == VerdictStatus::proven; }
};

// A configuration asked about, as it stands among the other files of its folder.
struct VerdictSubject {
    QString file_name; // as the folder lists it; empty for values that come from no file
    // nullptr for a file that was refused, with refusal saying why: nothing proves it.
    const Configuration* configuration = nullptr;
    QString refusal;
    QString source_sha256; // of the file's bytes; empty: designations are not compared
    // The designations shown were typed since the file was opened or saved.
    bool texts_changed = false;
};

struct Verdicts {
    std::vector<Verdict> of; // one per subject, in their order
    QString unreadable;      // why the log could not be read, when it could not
};

// The verdict of every subject. Two subjects that give one panel name are both not proven:
// the log names panels, and cannot tell which of the two a panel of that name holds.
Verdicts verdicts_of(CommissioningLog& log, const std::vector<VerdictSubject>& subjects);

// The port an entry was made on as the stamp and the index name it: "/dev/pts/4
// (PSEUDO-TERMINAL)" for a pseudo-terminal, which may only relay a panel.
QString port_text(const Record& entry);

} // namespace kvr::records
