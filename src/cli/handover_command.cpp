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

// What proves the panel was programmed and verified, or why nothing does.
QString stamp_text(const HandoverPanel& panel) {
    if (!panel.configuration) return QStringLiteral("refused: ") + panel.refusal;
    if (!panel.problem.isEmpty()) return panel.problem;
    if (panel.log_unreadable)
        return QStringLiteral("unknown: the commissioning log could not be read");
    if (!panel.stamp) return QStringLiteral("not yet programmed and verified");
    QString text =
        QStringLiteral("%1 %2 on %3")
            .arg(panel.stamp->programmed ? QStringLiteral("programmed and verified")
                                         : QStringLiteral("verified"),
                 panel.stamp->when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")),
                 panel.stamp->device);
    if (!panel.stamp->source_file.isEmpty())
        text += QStringLiteral(" from ") + panel.stamp->source_file;
    if (panel.stamp->labels_changed_since) text += QStringLiteral(" (labels changed since)");
    return text;
}

class HandoverResult : public Result {
  public:
    HandoverResult(const QString& pack, const std::vector<HandoverPanel>& panels)
        : pack_(pack), panels_(panels) {}
    QString text() const override {
        QString text = pack_ + QStringLiteral(": HANDOVER PACK WRITTEN\n");
        if (panels_.empty()) text += QStringLiteral("  no panel in the folder: no .kcf file\n");
        for (const HandoverPanel& panel : panels_)
            text += QStringLiteral("  %1: %2\n").arg(panel.file_name, stamp_text(panel));
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
                {"problem", panel.problem.isEmpty() ? QJsonValue() : QJsonValue(panel.problem)},
                // null: the log could not be read, so nobody knows.
                {"verified",
                 panel.log_unreadable && !stamp ? QJsonValue() : QJsonValue(panel.verified())},
                {"stamp", stamp ? QJsonValue(QJsonObject{
                                      {"time", time_json(stamp->when)},
                                      {"device", stamp->device},
                                      {"adapter", stamp->adapter},
                                      {"source_file", stamp->source_file},
                                      {"programmed", stamp->programmed},
                                      {"labels_changed_since", stamp->labels_changed_since}})
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
    for (HandoverPanel& panel : panels)
        panel.room = site::sheet_site(file, panel.file_name, given).room;
    SiteOfPack pack{site::sheet_site(file, QString(), given), {}};
    for (const site::Finding& finding : site::check_site(site::site_panels(panels, file)))
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
    QString log_warning;
    std::vector<HandoverPanel> panels = records::handover_panels(folder, log, &log_warning);
    if (!log_warning.isEmpty()) print_error(log_warning);
    const SiteOfPack site = site_of_pack(folder, panels, invocation.site);

    const QString pack = QDir::toNativeSeparators(*invocation.output);
    QString error;
    if (!write_handover_pack(panels, site.site, QDateTime::currentDateTime(), *invocation.output,
                             &error, site.findings)) {
        print_error(QStringLiteral("%1 not written: %2").arg(pack, error));
        return output_failed;
    }
    const ExitCode printed = print_result(HandoverResult(pack, panels), invocation.json);
    if (!invocation.require_verified) return printed;
    // A log that cannot be read answers nothing: the question is left open, not "no".
    if (!log_warning.isEmpty()) {
        print_error(
            QStringLiteral("whether the panels are verified is unknown: %1").arg(log_warning));
        return outranking(bad_input, printed);
    }
    // A refused file is a panel that cannot have been verified either, and a folder with no
    // panel in it is not a site that is done.
    const bool all_verified =
        !panels.empty() && std::ranges::all_of(panels, &HandoverPanel::verified);
    return outranking(all_verified ? done : differs, printed);
}

} // namespace kvr::cli
