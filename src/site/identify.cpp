#include "site/identify.h"

#include <QStringList>
#include <algorithm>

#include "files/configuration_file_io.h"

namespace kvr::site {

namespace {

QString places_text(std::size_t count) {
    return count == 1 ? QStringLiteral("1 place") : QStringLiteral("%1 places").arg(count);
}

QString named(const SiteCandidate& candidate) {
    QString text = candidate.file_name;
    if (!candidate.room.isEmpty()) text += QStringLiteral(" (room %1)").arg(candidate.room);
    return text;
}

} // namespace

Identification identify_panel(const Site& site, const PanelValues& held) {
    Identification found;
    for (const SitePanel& panel : site.panels) {
        if (!panel.configuration) {
            ++found.refused;
            continue;
        }
        const Configuration programmed = as_programmed(*panel.configuration).configuration;
        found.candidates.push_back({panel.file_name, from_file_text(programmed.panel_name),
                                    panel.room, locations_differing(programmed, held)});
    }
    // The site lists its panels in the schedule's order, which stays among equals.
    std::ranges::stable_sort(found.candidates, {}, [](const SiteCandidate& candidate) {
        return candidate.differing.size();
    });
    return found;
}

std::vector<const SiteCandidate*> Identification::held() const {
    std::vector<const SiteCandidate*> files;
    for (const SiteCandidate& candidate : candidates)
        if (candidate.differing.empty()) files.push_back(&candidate);
    return files;
}

std::vector<const SiteCandidate*> Identification::nearest(std::size_t most) const {
    std::vector<const SiteCandidate*> files;
    for (const SiteCandidate& candidate : candidates)
        if (files.size() < most) files.push_back(&candidate);
    return files;
}

QString identification_text(const Identification& found, const QString& device,
                            const QString& folder) {
    QStringList files;
    for (const SiteCandidate* candidate : found.held())
        files.append(named(*candidate));
    if (!files.isEmpty())
        return QStringLiteral("%1: holds %2").arg(device, files.join(QStringLiteral(", ")));
    for (const SiteCandidate* candidate : found.nearest())
        files.append(QStringLiteral("%1 differs in %2")
                         .arg(named(*candidate), places_text(candidate->differing.size())));
    return QStringLiteral("%1: holds none of the %2 files of %3%4")
        .arg(device)
        .arg(found.candidates.size())
        .arg(folder, files.isEmpty() ? QString()
                                     : QStringLiteral("; nearest: ") + files.join(QStringLiteral("; ")));
}

} // namespace kvr::site
