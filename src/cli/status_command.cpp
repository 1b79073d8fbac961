// kvr-panel status: what the commissioning log proves of each file, or of each file of a
// folder, as the handover pack would say it.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/company_first.h"
#include "cli/output.h"
#include "cli/subcommands.h"
#include "cli/verdict_output.h"
#include "records/sheet_records.h"

namespace kvr::cli {

namespace {

struct StatusRow {
    QString file; // as given, or the folder's path with the file's name
    std::optional<Configuration> configuration;
    records::Verdict verdict;
};

class StatusResult : public Result {
  public:
    explicit StatusResult(const std::vector<StatusRow>& rows) : rows_(rows) {}
    QString text() const override {
        if (rows_.empty()) return QStringLiteral("no panel: no .kcf file\n");
        QString text;
        for (const StatusRow& row : rows_)
            text += verdict_line(row.file, row.verdict) + u'\n';
        return text;
    }
    QJsonObject data() const override {
        QJsonArray panels;
        for (const StatusRow& row : rows_)
            panels.append(verdict_json(row.file, row.configuration, row.verdict));
        return {{"command", "status"}, {"panels", panels}};
    }

  private:
    const std::vector<StatusRow>& rows_;
};

// Every file of the folder, or the one file among the others of its folder, as the pack
// sees them; a file the folder does not list as a panel (not .kcf) is read on its own.
std::optional<ExitCode> add_rows(const QString& argument, records::CommissioningLog& log,
                                 std::vector<StatusRow>& rows, QString& warning) {
    const QFileInfo given(argument);
    const bool folder = given.isDir();
    const QString path = folder ? given.filePath() : given.absolutePath();
    std::vector<records::Verdict> verdicts;
    const std::vector<HandoverPanel> panels =
        records::handover_panels(path, log, &warning, &verdicts);
    for (std::size_t i = 0; i < panels.size(); ++i)
        if (folder || panels[i].file_name == given.fileName())
            rows.push_back({QDir::toNativeSeparators(
                                folder ? QDir(path).filePath(panels[i].file_name) : argument),
                            panels[i].configuration, verdicts[i]});
    if (folder || std::ranges::any_of(panels, [&](const HandoverPanel& panel) {
            return panel.file_name == given.fileName();
        }))
        return std::nullopt;
    QString sha256;
    const std::optional<Configuration> configuration = load_or_report(argument, &sha256);
    if (!configuration) return bad_input;
    rows.push_back({QDir::toNativeSeparators(argument), configuration,
                    records::verdict_in_folder(log, *configuration, argument, sha256, &warning)});
    return std::nullopt;
}

} // namespace

ExitCode show_status(const Invocation& invocation) {
    records::CommissioningLog log(invocation.log);
    pull_company_first(invocation, log);
    std::vector<StatusRow> rows;
    QString warning;
    for (const QString& argument : invocation.files)
        if (const std::optional<ExitCode> failure = add_rows(argument, log, rows, warning))
            return *failure;
    if (!warning.isEmpty()) print_error(warning);
    const ExitCode printed = print_result(StatusResult(rows), format_of(invocation));
    // A log that cannot be read answers nothing: the question is left open, not "no".
    if (!warning.isEmpty()) return outranking(bad_input, printed);
    const bool all_proven = !rows.empty() && std::ranges::all_of(rows, [](const StatusRow& row) {
        return row.verdict.proven();
    });
    return outranking(all_proven ? done : differs, printed);
}

} // namespace kvr::cli
