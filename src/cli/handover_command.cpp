// kvr-panel handover: the pack a site is handed over with, from a folder of .kcf files and
// the commissioning log; with --require-verified it also answers "is this site done?".

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/company_first.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/printing.h"
#include "cli/subcommands.h"
#include "cli/verdict_output.h"
#include "records/sheet_records.h"
#include "site/site_check.h"

namespace kvr::cli {

namespace {

QJsonValue time_json(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODate);
}

const QString kWhat = QStringLiteral("the pack");

// The site's fields (the options given win over site.json), each panel's room and floor,
// and what the check finds across the panels.
struct SiteOfPack {
    SheetSite site;
    std::vector<site::Finding> findings;

    QStringList finding_texts() const {
        QStringList texts;
        for (const site::Finding& finding : findings)
            texts.append(finding.text);
        return texts;
    }
};

QJsonObject finding_json(const site::Finding& finding) {
    QJsonArray places;
    for (const site::FindingPlace& place : finding.places)
        places.append(QJsonObject{{"file", place.file},
                                  {"function", place.function},
                                  {"designation", place.designation}});
    return {{"kind", site::kind_key(finding.kind)}, {"text", finding.text}, {"places", places}};
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
    HandoverResult(const std::optional<QString>& pack, const std::vector<HandoverPanel>& panels,
                   const std::vector<records::Verdict>& verdicts, const SiteOfPack& site,
                   const std::optional<PrintJob>& job,
                   const records::CompanyRead& company)
        : pack_(pack), panels_(panels), verdicts_(verdicts), site_(site), job_(job),
          company_(company) {}
    QString text() const override {
        QString text = pack_ ? *pack_ + QStringLiteral(": HANDOVER PACK WRITTEN\n") : QString();
        text += printed_line(job_, kWhat);
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
            shown.insert("room", panel.room);
            shown.insert("floor", panel.floor.isEmpty() ? QJsonValue() : QJsonValue(panel.floor));
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
        QJsonArray findings;
        for (const site::Finding& finding : site_.findings)
            findings.append(finding_json(finding));
        return {{"command", "handover"},
                {"pack", pack_ ? QJsonValue(*pack_) : QJsonValue()},
                {"printed", printed_json(job_)},
                {"panels", panels},
                {"findings", findings},
                {"company_log", company_json(company_)}};
    }

  private:
    std::optional<QString> pack_;
    const std::vector<HandoverPanel>& panels_;
    const std::vector<records::Verdict>& verdicts_;
    const SiteOfPack& site_;
    std::optional<PrintJob> job_;
    const records::CompanyRead& company_;
};

SiteOfPack site_of_pack(const QString& folder, std::vector<HandoverPanel>& panels,
                        const SheetSite& given) {
    QString error;
    const site::SiteFile file = site::read_site_file(folder, &error);
    if (!error.isEmpty()) print_error(error);
    for (HandoverPanel& panel : panels) {
        panel.room = site::sheet_site(file, panel.file_name, given).room;
        panel.floor = site::column_text(file, panel.file_name, QStringLiteral("floor"));
    }
    return {site::sheet_site(file, QString(), given),
            site::check_site(site::site_panels(panels, file))};
}

} // namespace

ExitCode write_handover(const Invocation& invocation) {
    const QString& folder = invocation.files[0];
    if (invocation.output == kStandardStream || (!invocation.output && !invocation.print)) {
        print_error(QStringLiteral("handover needs -o PACK.pdf or --print"));
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

    const Document document =
        handover_pack(panels, site.site, QDateTime::currentDateTime(), site.finding_texts(),
                      records::company_read_line(company));
    std::optional<QString> pack;
    if (invocation.output) {
        pack = QDir::toNativeSeparators(*invocation.output);
        QString error;
        if (!write_pdf(*invocation.output, document.title, document.page_count, document.paint_page,
                       &error)) {
            print_error(QStringLiteral("%1 not written: %2").arg(*pack, error));
            return output_failed;
        }
    }
    const Printing printing = print_if_asked(invocation, document, kWhat);
    const ExitCode printed = outranking(
        printing.code,
        print_result(HandoverResult(pack, panels, verdicts, site, printing.job, company),
                     format_of(invocation)));
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
