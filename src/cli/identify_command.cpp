// kvr-panel identify: which of a site's files a panel holds. The panel is read once, as read
// reads it (and logged so), and compared in memory with every file of the folder.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/output.h"
#include "cli/subcommands.h"
#include "site/identify.h"

namespace kvr::cli {

namespace {

class IdentifyResult : public Result {
  public:
    IdentifyResult(const QString& folder, const PortResult& port,
                   const site::Identification& found)
        : folder_(folder), port_(port), found_(found) {}
    QString text() const override {
        return site::identification_text(found_, port_.device, folder_) + u'\n';
    }
    QJsonObject data() const override {
        QJsonArray candidates;
        for (const site::SiteCandidate& candidate : found_.candidates) {
            QJsonArray places;
            for (const int location : candidate.differing)
                places.append(location);
            candidates.append(QJsonObject{{"file", candidate.file_name},
                                          {"panel_name", candidate.panel_name},
                                          {"room", candidate.room},
                                          {"holds", candidate.differing.empty()},
                                          {"differing", int(candidate.differing.size())},
                                          {"differing_locations", places}});
        }
        QJsonArray held;
        for (const site::SiteCandidate* candidate : found_.held())
            held.append(candidate->file_name);
        return {{"command", "identify"}, {"folder", folder_},   {"port", port_.json()},
                {"holds", held},         {"files", candidates}, {"refused", found_.refused}};
    }

  private:
    QString folder_;
    const PortResult& port_;
    const site::Identification& found_;
};

} // namespace

ExitCode identify_panel(const Invocation& invocation) {
    const QString folder = QDir::toNativeSeparators(invocation.files[0]);
    if (!QFileInfo(invocation.files[0]).isDir()) {
        print_error(QStringLiteral("%1 is not a folder").arg(folder));
        return bad_input;
    }
    // The folder first: a panel is never read for a folder with nothing to compare it with.
    const site::Site site = site::read_site(invocation.files[0]);
    if (!site.file_error.isEmpty()) print_error(site.file_error);
    for (const site::SitePanel& panel : site.panels)
        if (!panel.configuration)
            print_error(QStringLiteral("%1: left out: %2").arg(panel.file_name, panel.refusal));
    if (std::ranges::none_of(site.panels, [](const site::SitePanel& panel) {
            return panel.configuration.has_value();
        })) {
        print_error(QStringLiteral("%1 holds no configuration file to compare with").arg(folder));
        return bad_input;
    }
    const auto outcome = read_one_panel(invocation, {});
    if (const ExitCode* failure = std::get_if<ExitCode>(&outcome)) return *failure;
    const PanelRead& read = std::get<PanelRead>(outcome);
    // A panel not read is said on standard error; with --json its port says it too.
    if (!read.configuration && !invocation.json) {
        print_error(read.result.line());
        return read.code;
    }
    const site::Identification found = read.configuration
                                           ? site::identify_panel(site, read.result.values)
                                           : site::Identification{};
    const ExitCode code = found.held().empty() ? differs : done;
    return outranking(outranking(read.code, code),
                      print_result(IdentifyResult(folder, read.result, found), format_of(invocation)));
}

} // namespace kvr::cli
