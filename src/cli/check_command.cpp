// kvr-panel check: what is likely wrong across the panels of a folder, before anyone
// programs them.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/company_first.h"
#include "cli/output.h"
#include "cli/subcommands.h"
#include "cli/verdict_output.h"
#include "records/sheet_records.h"
#include "site/site_check.h"

namespace kvr::cli {

namespace {

class CheckResult : public Result {
  public:
    CheckResult(const QString& folder, const std::vector<HandoverPanel>& panels,
                const std::vector<records::Verdict>& verdicts,
                const std::vector<site::Finding>& findings)
        : folder_(folder), panels_(panels), verdicts_(verdicts), findings_(findings) {}
    QString text() const override {
        QString text;
        if (findings_.empty())
            text =
                QStringLiteral("%1: %2 panels, nothing found\n").arg(folder_).arg(panels_.size());
        for (const site::Finding& finding : findings_)
            text += finding.text + u'\n';
        // What the log proves of each, as the pack will say it.
        for (std::size_t i = 0; i < panels_.size(); ++i)
            text += QStringLiteral("  ") + verdict_line(panels_[i].file_name, verdicts_[i]) + u'\n';
        return text;
    }
    QJsonObject data() const override {
        QJsonArray findings;
        for (const site::Finding& finding : findings_) {
            QJsonArray places;
            for (const site::FindingPlace& place : finding.places)
                places.append(QJsonObject{
                    {"file", place.file},
                    {"function", place.function.isEmpty() ? QJsonValue() : place.function},
                    {"designation", place.designation.isEmpty() ? QJsonValue() : place.designation},
                });
            findings.append(QJsonObject{{"kind", site::kind_key(finding.kind)},
                                        {"text", finding.text},
                                        {"places", places}});
        }
        QJsonArray verdicts;
        for (std::size_t i = 0; i < panels_.size(); ++i)
            verdicts.append(
                verdict_json(panels_[i].file_name, panels_[i].configuration, verdicts_[i]));
        return {{"command", "check"},
                {"folder", folder_},
                {"panels", int(panels_.size())},
                {"findings", findings},
                {"verdicts", verdicts}};
    }

  private:
    QString folder_;
    const std::vector<HandoverPanel>& panels_;
    const std::vector<records::Verdict>& verdicts_;
    const std::vector<site::Finding>& findings_;
};

} // namespace

ExitCode check_site_folder(const Invocation& invocation) {
    const QString& folder = invocation.files[0];
    if (!QFileInfo(folder).isDir()) {
        print_error(QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(folder)));
        return bad_input;
    }
    QString site_error;
    const site::SiteFile site_file = site::read_site_file(folder, &site_error);
    if (!site_error.isEmpty()) print_error(site_error);
    records::CommissioningLog log(invocation.log);
    pull_company_first(invocation, log);
    QString log_warning;
    std::vector<records::Verdict> verdicts;
    const std::vector<HandoverPanel> panels =
        records::handover_panels(folder, log, &log_warning, &verdicts);
    if (!log_warning.isEmpty()) print_error(log_warning);
    const std::vector<site::Finding> findings =
        site::check_site(site::site_panels(panels, site_file));
    const ExitCode code = findings.empty() ? done : differs;
    return outranking(code, print_result(CheckResult(QDir::toNativeSeparators(folder), panels,
                                                     verdicts, findings),
                                         format_of(invocation)));
}

} // namespace kvr::cli
