#pragma once
// The as-found report: one page a service technician leaves after comparing a panel with its
// file, naming every place where the panel held something else, and what it was left
// holding once the panel's values were taken or the file's were written. The window and
// kvr-panel verify build it here from the same comparison, so both say the same.

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "configuration/configuration.h"
#include "panel/memory_map.h"

namespace kvr {

struct AsFoundRow {
    int location = 0;
    QString function;    // "SW6", "dimmed indicator intensity"
    QString designation; // the file's; a lighting function's description
    QString file_value;  // as the file programs it: "C 4", "70 %"
    QString found_value; // as the panel held it
    QString left_value;  // as the panel was left; empty until that is known
};

struct AsLeft {
    enum class How { compared_only, values_taken, written, write_failed };
    How how = How::compared_only;
    QDateTime when;
    QString reason; // why a write failed
};

struct AsFoundReport {
    QString panel_name;
    QString file; // the file compared with, or what the values came from
    QString port;
    QDateTime compared;
    std::vector<AsFoundRow> differences;
    AsLeft as_left;
};

// The report of a comparison: programmed as a write of the file would leave the panel (its
// designations as the file carries them), held as the panel was read, differing as
// locations_differing found it.
AsFoundReport as_found_report(const Configuration& programmed, const PanelValues& held,
                              const std::vector<int>& differing);

// The state the panel was left in: left holds its values after a take or a verified write.
void set_as_left(AsFoundReport& report, const AsLeft& as_left,
                 const std::optional<PanelValues>& left = std::nullopt);

// One line of what the panel was left holding: "written and read back at ...".
QString as_left_text(const AsLeft& as_left);

// Writes the report as a one-page PDF, with the sheet's care for the file at pdf_path.
// Needs a QGuiApplication.
bool write_as_found_report(const AsFoundReport& report, const QString& pdf_path, QString* error);

} // namespace kvr
