#pragma once
// The handover pack: one PDF a site is handed over with, an index of its panels and then
// each panel's commissioning sheet, every page numbered "N of M". The caller reads the
// folder and asks the log; the pack only draws what it is given.

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "sheet/sheet.h"

namespace kvr {

// The log's latest entry for a panel's values, as the index names it.
struct HandoverLogEntry {
    QString outcome; // "programmed and verified", "failed", ...
    QDateTime when;
    QString device;
};

struct HandoverPanel {
    QString file_name;
    // nullopt when the file was refused; refusal says why.
    std::optional<Configuration> configuration;
    QString refusal;
    std::optional<HandoverLogEntry> last;
    // The log's latest entry that proves the panel held these values.
    std::optional<SheetStamp> stamp;
    // What keeps the panel from being proven whatever the log holds: another file of the
    // folder with the same panel name.
    QString problem;
    // The log could not be read: whether the panel was verified is unknown.
    bool log_unreadable = false;

    bool verified() const { return stamp.has_value() && problem.isEmpty(); }
};

// Writes the pack: the index (panels sorted by name, then file; refused files last, with
// their reason and no sheet), then a sheet per panel carrying the site. As write_sheet, the
// file at pdf_path is replaced only once the new one is complete.
bool write_handover_pack(std::vector<HandoverPanel> panels, const SheetSite& site,
                         const QDateTime& drawn, const QString& pdf_path, QString* error);

} // namespace kvr
