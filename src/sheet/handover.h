#pragma once
// The handover pack: one PDF a site is handed over with, an index of its panels, the pages
// about the site, each panel's commissioning sheet, and a last page the installer and the
// customer sign; every page numbered "N of M". The caller reads the folder and asks the
// log; the pack only draws what it is given.

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "sheet/sheet.h"

namespace kvr {

// The log's newest entry for a panel name, as the index names it.
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
    // What the log proves of it (a refused file: not proven).
    SheetVerdict verdict;
    QString room;  // on its sheet, in the index and the channel schedule; empty: the site's room
    QString floor; // in the index, when the site file gives one

    bool verified() const { return verdict.status == SheetVerdict::Status::proven; }
};

// One use of a module and channel by a panel, as the channel schedule lists it.
struct ChannelUse {
    std::int16_t code; // 0..159: module A..P, channel 1..10
    QString panel;
    QString room;
    int function;        // index into kFunctions
    QString designation; // the backlighting and the dimming input by what they are
};

// Every module and channel that any of the panels drives, in order A 1..P 10, each with
// the panels (in the order given) and functions that drive it.
std::vector<ChannelUse> channel_schedule(const std::vector<HandoverPanel>& panels);

// The pack: the index (panels sorted by name, then file; refused files last, with their
// reason and no sheet), the findings across the site, the channel schedule, a sheet per
// panel carrying the site, then the handover and sign-off page. company_read, when given,
// says on the index up to when the company log was read.
Document handover_pack(std::vector<HandoverPanel> panels, const SheetSite& site,
                       const QDateTime& drawn, const QStringList& findings = {},
                       const QString& company_read = {});

// Writes the pack as a PDF. As write_sheet, the file at pdf_path is replaced only once the
// new one is complete.
bool write_handover_pack(std::vector<HandoverPanel> panels, const SheetSite& site,
                         const QDateTime& drawn, const QString& pdf_path, QString* error,
                         const QStringList& findings = {}, const QString& company_read = {});

} // namespace kvr
