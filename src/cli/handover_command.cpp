// kvr-panel handover: the pack a site is handed over with, from a folder of .kcf files and
// the commissioning log; with --require-verified it also answers "is this site done?".

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/subcommands.h"
#include "configuration/windows1252.h"
#include "records/sheet_records.h"
#include "site/site_check.h"

namespace kvr::cli {

namespace {

QJsonValue time_json(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODate);
}

// "not yet programmed and verified", or what proves it was.
QString stamp_text(const HandoverPanel& panel) {
    if (!panel.stamp) return QStringLiteral("not yet programmed and verified");
    return QStringLiteral("%1 %2 on %3")
        .arg(panel.stamp->programmed ? QStringLiteral("programmed and verified")
                                     : QStringLiteral("verified"),
             panel.stamp->when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")),
             panel.stamp->device);
}

class HandoverResult : public Result {
  public:
    HandoverResult(const QString& pack, const std::vector<HandoverPanel>& panels)
        : pack_(pack), panels_(panels) {}
    QString text() const override {
        QString text = pack_ + QStringLiteral(": HANDOVER PACK WRITTEN\n");
        for (const HandoverPanel& panel : panels_)
            text += QStringLiteral("  %1: %2\n")
                        .arg(panel.file_name, panel.configuration
                                                  ? stamp_text(panel)
                                                  : QStringLiteral("refused: ") + panel.refusal);
        return text;
    }
    QJsonObject data() const override {
        QJsonArray panels;
        for (const HandoverPanel& panel : panels_) {
            const auto& stamp = panel.stamp;
            panels.append(QJsonObject{
                {"file", panel.file_name},
                {"panel_name", panel.configuration
                                   ? QJsonValue(QString::fromStdU16String(
                                         from_windows1252(panel.configuration->panel_name)))
                                   : QJsonValue()},
                {"refusal", panel.configuration ? QJsonValue() : QJsonValue(panel.refusal)},
                {"verified", stamp.has_value()},
                {"stamp", stamp ? QJsonValue(QJsonObject{{"time", time_json(stamp->when)},
                                                         {"device", stamp->device},
                                                         {"programmed", stamp->programmed}})
                                : QJsonValue()},
                {"last", panel.last ? QJsonValue(QJsonObject{{"outcome", panel.last->outcome},
                                                             {"time", time_json(panel.last->when)},
                                                             {"device", panel.last->device}})
                                    : QJsonValue()},
            });
        }
        return {{"command", "handover"}, {"pack", pack_}, {"panels", panels}};
    }

  private:
    QString pack_;
    const std::vector<HandoverPanel>& panels_;
};

// The site's fields (the options given win over site.json), each panel's room, and what
// the check finds across the panels.
struct SiteOfPack {
    SheetSite site;
    QStringList findings;
};
SiteOfPack site_of_pack(const QString& folder, std::vector<HandoverPanel>& panels,
                        const SheetSite& given) {
    QString error;
    const site::SiteFile file = site::read_site_file(folder, &error);
    if (!error.isEmpty()) print_error(error);
    std::vector<site::SitePanel> checked;
    for (HandoverPanel& panel : panels) {
        panel.room = site::sheet_site(file, panel.file_name, given).room;
        checked.push_back({panel.file_name, panel.configuration, panel.refusal, panel.room});
    }
    SiteOfPack pack{site::sheet_site(file, QString(), given), {}};
    for (const site::Finding& finding : site::check_site(checked))
        pack.findings.append(finding.text);
    return pack;
}

} // namespace

ExitCode write_handover(const Invocation& invocation) {
    const QString& folder = invocation.files[0];
    if (!invocation.output || *invocation.output == kStandardStream) {
        print_error(QStringLiteral("handover needs -o PACK.pdf"));
        return bad_input;
    }
    if (!QFileInfo(folder).isDir()) {
        print_error(QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(folder)));
        return bad_input;
    }
    records::CommissioningLog log(invocation.log);
    QString warning;
    std::vector<HandoverPanel> panels = records::handover_panels(folder, log, &warning);
    if (!warning.isEmpty()) print_error(warning);
    const SiteOfPack site = site_of_pack(folder, panels, invocation.site);

    const QString pack = QDir::toNativeSeparators(*invocation.output);
    QString error;
    if (!write_handover_pack(panels, site.site, QDateTime::currentDateTime(), *invocation.output,
                             &error, site.findings)) {
        print_error(QStringLiteral("%1 not written: %2").arg(pack, error));
        return output_failed;
    }
    // A refused file is a panel that cannot have been verified either.
    const bool all_verified = std::ranges::all_of(
        panels, [](const HandoverPanel& panel) { return panel.stamp.has_value(); });
    const ExitCode code = invocation.require_verified && !all_verified ? differs : done;
    return outranking(code, print_result(HandoverResult(pack, panels), invocation.json));
}

} // namespace kvr::cli
