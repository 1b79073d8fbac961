#pragma once
// What the sheet and the handover pack take from the log and from a folder: the caller's
// side of them, shared by the window and kvr-panel, so neither the sheet knows the log nor
// the log the sheet.

#include <QString>
#include <optional>
#include <vector>

#include "records/commissioning_log.h"
#include "sheet/handover.h"

namespace kvr::records {

// The stamp for a configuration: the log's latest entry that proves a panel held the
// values it programs. warning (when given) says why the log could not be read.
std::optional<SheetStamp> verified_stamp(CommissioningLog& log, const Configuration& configuration,
                                         QString* warning = nullptr);

// Every .kcf file in the folder (not its subfolders), read as the window opens a file: a
// configuration with its latest log entry and stamp, or the reason it was refused. The
// first warning from the log, if any, goes to warning.
std::vector<HandoverPanel> handover_panels(const QString& folder, CommissioningLog& log,
                                           QString* warning = nullptr);

} // namespace kvr::records
