#include "site/site_check.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <map>

#include "configuration/texts.h"
#include "files/configuration_file_io.h"
#include "records/sheet_records.h"

namespace kvr::site {
namespace {

QString function_name(int function) {
    return QString::fromLatin1(kFunctions[function].label);
}

Finding refused(const SitePanel& panel) {
    return {FindingKind::refused_file,
            QStringLiteral("%1 is refused: %2").arg(panel.file_name, panel.refusal),
            {{panel.file_name, {}, {}}}};
}

// Panel names that are one name to a folder that does not tell case apart, or to a reader
// who does not see blanks at the ends ("LOBBY", "lobby", "LOBBY ").
std::vector<Finding> duplicate_names(const std::vector<SitePanel>& panels) {
    std::map<QString, std::vector<const SitePanel*>> by_name;
    for (const SitePanel& panel : panels)
        if (panel.configuration)
            by_name[from_file_text(panel.configuration->panel_name).trimmed().toCaseFolded()]
                .push_back(&panel);
    std::vector<Finding> findings;
    for (const auto& [key, holders] : by_name) {
        if (holders.size() < 2) continue;
        Finding finding{FindingKind::duplicate_name, {}, {}};
        // Each spelling once, with the files that spell it so.
        std::vector<std::pair<QString, QStringList>> spellings;
        for (const SitePanel* panel : holders) {
            const QString name = from_file_text(panel->configuration->panel_name);
            const auto spelt =
                std::ranges::find(spellings, name, &std::pair<QString, QStringList>::first);
            (spelt == spellings.end() ? spellings.emplace_back(name, QStringList()) : *spelt)
                .second.append(panel->file_name);
            finding.places.push_back({panel->file_name, {}, {}});
        }
        QStringList named;
        for (const auto& [name, files] : spellings)
            named.append(QStringLiteral("\"%1\" (%2)").arg(name, files.join(QStringLiteral(", "))));
        finding.text =
            spellings.size() == 1
                ? QStringLiteral("the panel name \"%1\" is in %2")
                      .arg(spellings.front().first,
                           spellings.front().second.join(QStringLiteral(", ")))
                : QStringLiteral("the panel names %1 differ only in case or in blanks at the ends")
                      .arg(named.join(QStringLiteral(", ")));
        findings.push_back(std::move(finding));
    }
    return findings;
}

// The name a designation is compared by; a designation left at its start text names nothing.
QString compared_name(const QString& designation) {
    const QString name = designation.simplified().toUpper();
    return name == QLatin1String(kDesignationStartText).trimmed() ? QString() : name;
}

std::vector<Finding> differing_designations(const std::vector<SitePanel>& panels) {
    std::array<std::vector<FindingPlace>, kLastAssignment + 1> uses;
    std::array<QStringList, kLastAssignment + 1> names;
    for (const SitePanel& panel : panels) {
        if (!panel.configuration) continue;
        for (int f = 0; f < kBacklighting; ++f) {
            const int16_t code = panel.configuration->codes[f];
            const QString designation = from_file_text(panel.configuration->designations[f]);
            const QString name = compared_name(designation);
            if (!drives_channel(code) || name.isEmpty()) continue;
            uses[code].push_back({panel.file_name, function_name(f), designation});
            if (!names[code].contains(name)) names[code].append(name);
        }
    }
    std::vector<Finding> findings;
    for (int code = 0; code <= kLastAssignment; ++code) {
        if (names[code].size() < 2) continue;
        // One part per name, as first spelt, with every place that uses it.
        std::vector<std::pair<QString, QStringList>> named(names[code].size());
        for (const FindingPlace& use : uses[code]) {
            auto& [shown, places] = named[names[code].indexOf(compared_name(use.designation))];
            if (shown.isEmpty()) shown = use.designation;
            places.append(use.file + u' ' + use.function);
        }
        QStringList parts;
        for (const auto& [shown, places] : named)
            parts.append(
                QStringLiteral("\"%1\" (%2)").arg(shown, places.join(QStringLiteral(", "))));
        findings.push_back({FindingKind::designations_differ,
                            QStringLiteral("%1 is called %2")
                                .arg(QString::fromStdString(assignment_text(int16_t(code))),
                                     parts.join(QStringLiteral(", "))),
                            uses[code]});
    }
    return findings;
}

std::optional<Finding> incomplete(const SitePanel& panel) {
    Finding finding{FindingKind::incomplete_selection, {}, {}};
    QStringList functions;
    for (int f = 0; f < kFunctionCount; ++f) {
        if (panel.configuration->codes[f] >= 0) continue;
        functions.append(function_name(f));
        finding.places.push_back({panel.file_name, function_name(f), {}});
    }
    if (functions.isEmpty()) return std::nullopt;
    finding.text = QStringLiteral("%1: %2 %3 a module without a channel, which a write refuses")
                       .arg(panel.file_name, functions.join(QStringLiteral(", ")),
                            functions.size() > 1 ? QStringLiteral("have") : QStringLiteral("has"));
    return finding;
}

} // namespace

std::vector<SitePanel> site_panels(const std::vector<HandoverPanel>& panels, const SiteFile& file) {
    std::vector<SitePanel> site;
    for (const HandoverPanel& panel : panels) {
        const auto room = file.rooms.find(panel.file_name);
        site.push_back({panel.file_name, panel.configuration, panel.refusal,
                        room != file.rooms.end() ? room->second : QString()});
    }
    return site;
}

Site read_site(const QString& folder) {
    Site site;
    site.folder = folder;
    site.file = read_site_file(folder, &site.file_error);
    records::CommissioningLog no_log(std::nullopt); // only the folder is read
    site.panels = site_panels(records::handover_panels(folder, no_log), site.file);
    // The schedule's order first, as import kept it, so that export gives it back.
    const QStringList& order = site.file.order;
    std::ranges::stable_sort(site.panels, {}, [&order](const SitePanel& panel) {
        const qsizetype at = order.indexOf(panel.file_name);
        return at < 0 ? order.size() : at;
    });
    return site;
}

std::vector<Finding> check_site(const std::vector<SitePanel>& panels) {
    std::vector<Finding> findings;
    for (const SitePanel& panel : panels)
        if (!panel.configuration) findings.push_back(refused(panel));
    std::ranges::move(duplicate_names(panels), std::back_inserter(findings));
    std::ranges::move(differing_designations(panels), std::back_inserter(findings));
    for (const SitePanel& panel : panels)
        if (panel.configuration)
            if (std::optional<Finding> finding = incomplete(panel)) findings.push_back(*finding);
    return findings;
}

QString kind_key(FindingKind kind) {
    switch (kind) {
    case FindingKind::refused_file:
        return QStringLiteral("refused_file");
    case FindingKind::duplicate_name:
        return QStringLiteral("duplicate_name");
    case FindingKind::designations_differ:
        return QStringLiteral("designations_differ");
    case FindingKind::incomplete_selection:
        break;
    }
    return QStringLiteral("incomplete_selection");
}

} // namespace kvr::site
