#pragma once
// A folder of panels as one site, and what is likely wrong across its panels: files that
// are refused, panel names given twice, one module and channel called by different names,
// and selections left incomplete that a write would refuse.

#include <QString>
#include <optional>
#include <vector>

#include "configuration/configuration.h"
#include "sheet/handover.h"
#include "site/site_file.h"

namespace kvr::site {

struct SitePanel {
    QString file_name;
    std::optional<Configuration> configuration; // nullopt: refused, and refusal says why
    QString refusal;
    QString room; // from the site file
};

struct Site {
    QString folder;
    SiteFile file;
    QString file_error;            // why site.json could not be read, when it could not
    // Every .kcf entry of the folder: in the schedule's order, the others by file name.
    std::vector<SitePanel> panels;
};

// The panels the handover pack lists, each with its room from the site file.
std::vector<SitePanel> site_panels(const std::vector<HandoverPanel>& panels, const SiteFile& file);

// Reads every .kcf entry of the folder (not its subfolders) as the handover pack does: a
// file as the window opens it, anything else refused.
Site read_site(const QString& folder);

enum class FindingKind { refused_file, duplicate_name, designations_differ, incomplete_selection };

// A file and function a finding concerns (the function empty when the whole file is).
struct FindingPlace {
    QString file;
    QString function;
    QString designation;
};

struct Finding {
    FindingKind kind;
    QString text; // one line that names the files and functions
    std::vector<FindingPlace> places;
};

std::vector<Finding> check_site(const std::vector<SitePanel>& panels);

// "refused_file", "duplicate_name", ..: the finding's kind in JSON.
QString kind_key(FindingKind kind);

} // namespace kvr::site
