#pragma once
// What the sheet and the handover pack take from the log and from a folder: the caller's
// side of them, shared by the window and kvr-panel, so neither the sheet knows the log nor
// the log the sheet.

#include <QString>
#include <optional>
#include <vector>

#include "records/commissioning_log.h"
#include "records/proof.h"
#include "sheet/handover.h"

namespace kvr::records {

// The sheet's stamp for what the log proves: nothing when it proves nothing.
std::optional<SheetStamp> sheet_stamp(const Proof& proof);

// Every entry of the folder (not its subfolders) whose name ends in .kcf, in any case: a
// file read as the window opens it, with its latest log entry and what the log proves of
// it, or the reason it was refused (a folder, a FIFO, a link that leads nowhere, a file
// that cannot be read or is no configuration). Two files that give one panel name cannot
// both be proven by it: each is given that problem. The first warning from the log, if
// any, goes to warning.
std::vector<HandoverPanel> handover_panels(const QString& folder, CommissioningLog& log,
                                           QString* warning = nullptr);

} // namespace kvr::records
