#pragma once
// Which of a site's files a panel holds: the panel is read once and compared in memory with
// every file of the folder, through the one comparison a verify makes.

#include <QString>
#include <vector>

#include "panel/memory_map.h"
#include "site/site_check.h"

namespace kvr::site {

struct SiteCandidate {
    QString file_name;
    QString panel_name;
    QString room;
    std::vector<int> differing; // the locations where the panel holds something else
};

struct Identification {
    // Every file that could be read, those the panel holds first, then by how many places
    // differ; the schedule's order, then the folder's, among equals.
    std::vector<SiteCandidate> candidates;
    int refused = 0; // files of the folder that could not be read as configurations

    // The files whose values the panel holds.
    std::vector<const SiteCandidate*> held() const;
    // The files nearest to what the panel holds, fewest places that differ first: at most
    // `most` of them.
    std::vector<const SiteCandidate*> nearest(std::size_t most = 3) const;
};

Identification identify_panel(const Site& site, const PanelValues& held);

// What the panel on device was found to hold, in one line: "DEVICE: holds LOBBY.kcf (room
// Lobby)", or "DEVICE: holds none of the 30 files of FOLDER; nearest: ...".
QString identification_text(const Identification& found, const QString& device,
                            const QString& folder);

} // namespace kvr::site
