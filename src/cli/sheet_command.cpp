// kvr-panel sheet: the commissioning sheet of a configuration file, or of a panel as read,
// as a one-page PDF.

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "cli/company_first.h"
#include "cli/configuration.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/printing.h"
#include "cli/subcommands.h"
#include "records/sheet_records.h"
#include "sheet/sheet.h"
#include "site/site_file.h"

namespace kvr::cli {

namespace {

const QString kWhat = QStringLiteral("the sheet");

class SheetResult : public Result {
  public:
    SheetResult(const std::optional<QString>& sheet, const QString& source,
                const std::optional<PrintJob>& job)
        : sheet_(sheet), source_(source), job_(job) {}
    QString text() const override {
        return (sheet_ ? *sheet_ + QStringLiteral(": COMMISSIONING SHEET WRITTEN\n") : QString()) +
               printed_line(job_, kWhat);
    }
    QJsonObject data() const override {
        return {{"command", "sheet"},
                {"sheet", sheet_ ? QJsonValue(*sheet_) : QJsonValue()},
                {"source", source_},
                {"printed", printed_json(job_)}};
    }

  private:
    std::optional<QString> sheet_;
    QString source_;
    std::optional<PrintJob> job_;
};

// The sheet with the site and the log's verdict of what it shows: of a file, as the pack of
// its folder gives it.
SheetContent completed(SheetContent content, const Configuration& configuration,
                       const QString& file_path, const QString& source_sha256,
                       const Invocation& invocation, const SheetSite& site) {
    content.site = site;
    records::CommissioningLog log(invocation.log);
    pull_company_first(invocation, log);
    QString warning;
    content.verdict = records::sheet_verdict(
        records::verdict_in_folder(log, configuration, file_path, source_sha256, &warning));
    if (!warning.isEmpty()) print_error(warning);
    return content;
}

// The options given, and what site.json beside the file says where they are not given.
SheetSite site_of_file(const QString& path, const SheetSite& given) {
    if (path == kStandardStream) return given;
    const QFileInfo file(path);
    QString error;
    const site::SiteFile site_file = site::read_site_file(file.absolutePath(), &error);
    if (!error.isEmpty()) print_error(error);
    return site::sheet_site(site_file, file.fileName(), given);
}

// The sheet of the file named, or of the panel read; the exit code once a failure is printed.
std::variant<SheetContent, ExitCode> sheet_of(const Invocation& invocation) {
    const QDateTime now = QDateTime::currentDateTime();
    if (!invocation.files.isEmpty()) {
        const QString& path = invocation.files.front();
        QString sha256;
        const std::optional<Configuration> configuration = load_or_report(path, &sha256);
        if (!configuration) return bad_input;
        const QString source = path == kStandardStream
                                   ? QStringLiteral("STANDARD INPUT")
                                   : QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        return completed(sheet_content(*configuration, source, now), *configuration,
                         path == kStandardStream ? QString() : path, sha256, invocation,
                         site_of_file(path, invocation.site));
    }
    const std::optional<std::string> name =
        given_panel_name(invocation.name.value_or(QString()), NameSource::typed);
    if (!name) return bad_input;
    const auto read = read_one_panel(invocation, *name);
    if (const ExitCode* failure = std::get_if<ExitCode>(&read)) return *failure;
    const PanelRead& panel = std::get<PanelRead>(read);
    if (!panel.configuration) {
        print_error(panel.result.line());
        return panel.code;
    }
    SheetContent content =
        sheet_content(*panel.configuration, QStringLiteral("PANEL ON ") + panel.result.device, now);
    content.file_tag.clear(); // of no file
    return completed(std::move(content), *panel.configuration, {}, {}, invocation, invocation.site);
}

// The PDF drawn in a folder of its own, then copied to standard output.
ExitCode sheet_to_stdout(const SheetContent& content) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("sheet.pdf"));
    QString error;
    QFile drawn(pdf);
    if (!folder.isValid() || !write_sheet(content, pdf, &error) ||
        !drawn.open(QIODevice::ReadOnly)) {
        print_error(QStringLiteral("the sheet was not drawn: %1").arg(error));
        return output_failed;
    }
    return print_output(drawn.readAll(), QStringLiteral("the sheet"));
}

} // namespace

ExitCode draw_sheet(const Invocation& invocation) {
    if (!invocation.output && !invocation.print) {
        print_error(QStringLiteral("sheet needs -o SHEET.pdf or --print"));
        return bad_input;
    }
    const auto content = sheet_of(invocation);
    if (const ExitCode* failure = std::get_if<ExitCode>(&content)) return *failure;
    const SheetContent& sheet = std::get<SheetContent>(content);
    // Standard output carries the PDF alone, so the result is not printed after it.
    if (invocation.output == kStandardStream)
        return outranking(sheet_to_stdout(sheet),
                          print_if_asked(invocation, sheet_document(sheet), kWhat).code);
    std::optional<QString> output;
    if (invocation.output) {
        output = QDir::toNativeSeparators(*invocation.output);
        QString error;
        if (!write_sheet(sheet, *invocation.output, &error)) {
            print_error(QStringLiteral("%1 not written: %2").arg(*output, error));
            return output_failed;
        }
    }
    const Printing printing = print_if_asked(invocation, sheet_document(sheet), kWhat);
    return outranking(printing.code, print_result(SheetResult(output, sheet.source, printing.job),
                                                  format_of(invocation)));
}

} // namespace kvr::cli
