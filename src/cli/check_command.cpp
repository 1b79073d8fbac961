// kvr-panel check: what is likely wrong across the panels of a folder, before anyone
// programs them.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/output.h"
#include "cli/subcommands.h"
#include "site/site_check.h"

namespace kvr::cli {

namespace {

class CheckResult : public Result {
  public:
    CheckResult(const QString& folder, int panels, const std::vector<site::Finding>& findings)
        : folder_(folder), panels_(panels), findings_(findings) {}
    QString text() const override {
        if (findings_.empty())
            return QStringLiteral("%1: %2 panels, nothing found\n").arg(folder_).arg(panels_);
        QString text;
        for (const site::Finding& finding : findings_)
            text += finding.text + u'\n';
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
        return {
            {"command", "check"}, {"folder", folder_}, {"panels", panels_}, {"findings", findings}};
    }

  private:
    QString folder_;
    int panels_;
    const std::vector<site::Finding>& findings_;
};

} // namespace

ExitCode check_site_folder(const Invocation& invocation) {
    const QString& folder = invocation.files[0];
    if (!QFileInfo(folder).isDir()) {
        print_error(QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(folder)));
        return bad_input;
    }
    const site::Site site = site::read_site(folder);
    if (!site.file_error.isEmpty()) print_error(site.file_error);
    const std::vector<site::Finding> findings = site::check_site(site.panels);
    const ExitCode code = findings.empty() ? done : differs;
    return outranking(code, print_result(CheckResult(QDir::toNativeSeparators(folder),
                                                     int(site.panels.size()), findings),
                                         invocation.json));
}

} // namespace kvr::cli
