#pragma once
// What the sheet and the handover pack take from the log and from a folder: the caller's
// side of them, shared by the window and kvr-panel, so neither the sheet knows the log nor
// the log the sheet.

#include <QString>
#include <optional>
#include <vector>

#include "records/commissioning_log.h"
#include "records/verdict.h"
#include "sheet/handover.h"

namespace kvr::records {

// The verdict as the sheet and the index draw it.
SheetVerdict sheet_verdict(const Verdict& verdict);

// Every entry of the folder (not its subfolders) whose name ends in .kcf, in any case: a
// file read as the window opens it, with the newest log entry of its panel name and the
// verdict of the log, or the reason it was refused (a folder, a FIFO, a link that leads
// nowhere, a file that cannot be read or is no configuration). Why the log could not be
// read, if it could not, goes to warning; each panel's verdict in full to verdicts.
std::vector<HandoverPanel> handover_panels(const QString& folder, CommissioningLog& log,
                                           QString* warning = nullptr,
                                           std::vector<Verdict>* verdicts = nullptr);

// The verdict of a configuration shown from a file (file_path; empty for values from no
// file, or standard input) as the pack of the file's folder gives it: among the folder's
// other files, the configuration in the place of the file. source_sha256 is of the file's
// bytes; texts_changed says the designations shown were typed since.
Verdict verdict_in_folder(CommissioningLog& log, const Configuration& configuration,
                          const QString& file_path, const QString& source_sha256,
                          QString* warning = nullptr, bool texts_changed = false);

} // namespace kvr::records
