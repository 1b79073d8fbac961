// kvr-panel handover: the pack a site is handed over with, from a folder of .kcf files and
// the commissioning log; with --require-verified it also answers "is this site done?".

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/company_first.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/subcommands.h"
#include "cli/verdict_output.h"
#include "records/sheet_records.h"
#include "site/site_check.h"

namespace kvr::cli {

namespace {

QJsonValue time_json(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODate);
}

// Up to when the company log was read; null when none is named.
QJsonValue company_json(const records::CompanyRead& company) {
    if (!company.named) return {};
    return QJsonObject{
        {"url", company.url},
        {"reached", company.reached},
        {"last_read", company.last_read ? time_json(*company.last_read) : QJsonValue()},
        {"reason", company.reached ? QJsonValue() : QJsonValue(company.failure)},
        {"line", records::company_read_line(company)}};
}

class HandoverResult : public Result {
  public:
    HandoverResult(const QString& pack, const std::vector<HandoverPanel>& panels,
                   const std::vector<records::Verdict>& verdicts,
                   const records::CompanyRead& company)
        : pack_(pack), panels_(panels), verdicts_(verdicts), company_(company) {}
    QString text() const override {
        QString text = pack_ + QStringLiteral(": HANDOVER PACK WRITTEN\n");
        if (company_.named)
            text += QStringLiteral("  ") + records::company_read_line(company_) + u'\n';
        if (panels_.empty()) text += QStringLiteral("  no panel in the folder: no .kcf file\n");
        for (std::size_t i = 0; i < panels_.size(); ++i)
            text += QStringLiteral("  ") + verdict_line(panels_[i].file_name, verdicts_[i]) + u'\n';
        return text;
    }
    QJsonObject data() const override {
        QJsonArray panels;
        for (std::size_t i = 0; i < panels_.size(); ++i) {
            const HandoverPanel& panel = panels_[i];
            const auto& stamp = panel.verdict.stamp;
            QJsonObject shown = verdict_json(panel.file_name, panel.configuration, verdicts_[i]);
            shown.insert("refusal", panel.configuration ? QJsonValue() : QJsonValue(panel.refusal));
            // null: nobody knows.
            shown.insert("verified", verdicts_[i].status == records::VerdictStatus::unknown
                                         ? QJsonValue()
                                         : QJsonValue(panel.verified()));
            shown.insert("stamp", stamp
                                      ? QJsonValue(QJsonObject{
                                            {"time", time_json(stamp->when)},
                                            {"device", stamp->device},
                                            {"adapter", stamp->adapter},
                                            {"source_file", stamp->source_file},
                                            {"programmed", stamp->programmed},
                                            {"labels_changed_since", stamp->labels_changed_since}})
                                      : QJsonValue());
            shown.insert("last", panel.last
                                     ? QJsonValue(QJsonObject{{"outcome", panel.last->outcome},
                                                              {"time", time_json(panel.last->when)},
                                                              {"device", panel.last->device}})
                                     : QJsonValue());
            panels.append(shown);
        }
        return {{"command", "handover"},
                {"pack", pack_},
                {"panels", panels},
                {"company_log", company_json(company_)}};
    }

  private:
    QString pack_;
    const std::vector<HandoverPanel>& panels_;
    const std::vector<records::Verdict>& verdicts_;
    const records::CompanyRead& company_;
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
    const records::CompanyRead company = pull_company_first(invocation, log);
    QString log_warning;
    std::vector<records::Verdict> verdicts;
    std::vector<HandoverPanel> panels =
        records::handover_panels(folder, log, &log_warning, &verdicts);
    if (!log_warning.isEmpty()) print_error(log_warning);
    const SiteOfPack site = site_of_pack(folder, panels, invocation.site);

    const QString pack = QDir::toNativeSeparators(*invocation.output);
    QString error;
    if (!write_handover_pack(panels, site.site, QDateTime::currentDateTime(), *invocation.output,
                             &error, site.findings, records::company_read_line(company))) {
        print_error(QStringLiteral("%1 not written: %2").arg(pack, error));
        return output_failed;
    }
    const ExitCode printed =
        print_result(HandoverResult(pack, panels, verdicts, company), invocation.json);
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
