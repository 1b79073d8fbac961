// kvr-panel verify and diff: where a panel differs from a file, and a file from another.

#include <QDir>
#include <QJsonArray>

#include "cli/comparison.h"
#include "cli/configuration.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/panel_gang.h"
#include "cli/port_records.h"
#include "cli/subcommands.h"
#include "configuration/windows1252.h"
#include "sheet/as_found.h"

namespace kvr::cli {

namespace {

QJsonArray differences_json(const std::vector<Difference>& found, const QString& first_key,
                            const QString& second_key) {
    QJsonArray array;
    for (const Difference& difference : found)
        array.append(difference_json(difference, first_key, second_key));
    return array;
}

// One port as verified: the differences are known only for a port that was read.
struct PortVerification {
    PortResult result;
    std::vector<Difference> differences;
};

class VerifyResult : public Result {
  public:
    VerifyResult(const QString& file, const std::vector<PortVerification>& ports)
        : file_(file), ports_(ports) {}
    QString text() const override {
        QString text;
        for (const PortVerification& port : ports_) {
            const QString& device = port.result.device;
            if (!port.result.succeeded())
                text += port.result.line() + u'\n';
            else if (port.differences.empty())
                text += device + QStringLiteral(": matches ") + file_ + u'\n';
            for (const Difference& difference : port.differences)
                text +=
                    device + QLatin1String(": ") +
                    difference_line(difference, QStringLiteral("file"), QStringLiteral("panel")) +
                    u'\n';
        }
        return text;
    }
    QJsonObject data() const override {
        QJsonArray ports;
        for (const PortVerification& port : ports_)
            ports.append(port_json(port));
        return {{"command", "verify"}, {"file", file_}, {"ports", ports}};
    }
    static QJsonObject port_json(const PortVerification& port) {
        QJsonObject json = port.result.json();
        const bool read = port.result.succeeded();
        json.insert("matches", read ? QJsonValue(port.differences.empty()) : QJsonValue());
        json.insert("differences", differences_json(port.differences, QStringLiteral("file"),
                                                    QStringLiteral("panel")));
        return json;
    }

  private:
    const QString& file_;
    const std::vector<PortVerification>& ports_;
};

class DiffResult : public Result {
  public:
    DiffResult(const QStringList& files, const std::vector<Difference>& found)
        : files_(files), found_(found) {}
    QString text() const override {
        if (found_.empty()) return files_[0] + QStringLiteral(" matches ") + files_[1] + u'\n';
        QString text;
        for (const Difference& difference : found_)
            text += difference_line(difference, files_[0], files_[1]) + u'\n';
        return text;
    }
    QJsonObject data() const override {
        return {{"command", "diff"},
                {"files", QJsonArray::fromStringList(files_)},
                {"matches", found_.empty()},
                {"differences",
                 differences_json(found_, QStringLiteral("first"), QStringLiteral("second"))}};
    }

  private:
    const QStringList& files_;
    const std::vector<Difference>& found_;
};

// The as-found report of the one panel verified; a report that cannot be drawn is an output
// that failed.
ExitCode write_report(const QString& report_path, const QString& file_path,
                      const Configuration& file, const PanelJob& job, const PortResult& result) {
    if (!result.succeeded()) {
        print_error(QStringLiteral("%1 not written: the panel was not read").arg(report_path));
        return output_failed;
    }
    AsFoundReport report = as_found_report(file, result.values, job.differing(result));
    report.file = file_path == kStandardStream ? QStringLiteral("standard input")
                                               : QDir::toNativeSeparators(file_path);
    report.port = result.device;
    report.compared = QDateTime::currentDateTimeUtc();
    QString error;
    if (!write_as_found_report(report, report_path, &error)) {
        print_error(QStringLiteral("%1 not written: %2").arg(report_path, error));
        return output_failed;
    }
    return done;
}

} // namespace

ExitCode verify_panels(const Invocation& invocation) {
    const QString& path = invocation.files[0];
    QString sha256;
    const std::optional<Configuration> loaded = load_or_report(path, &sha256);
    if (!loaded) return bad_input;
    // What the file programs against what each panel holds, exactly.
    const Configuration file = programmed_with_notes(*loaded, path);

    const PanelJob job{{records::RecordOperation::verify,
                        QString::fromStdU16String(from_windows1252(loaded->panel_name)),
                        logged_source(path), sha256,
                        records::values_digest(records::programmed_values(*loaded))},
                       {},
                       file};
    const auto differences_of = [&file, &job](const PortResult& result) {
        return panel_differences(file, result.values, job.differing(result));
    };
    // With --json-lines each port is compared, logged and printed the moment it finishes.
    ExitCode printed = done;
    bool any_differs = false;
    PanelGang::Finished as_it_finishes;
    if (invocation.json_lines)
        as_it_finishes = [&](PortResult& result) {
            PortVerification port{result, differences_of(result)};
            any_differs = any_differs || !port.differences.empty();
            QJsonObject line = VerifyResult::port_json(port);
            line.insert("command", "verify");
            line.insert("file", path);
            printed = outranking(printed, print_result(LineResult({}, line), Format::json_lines));
        };

    auto run = run_on_panels(invocation, job, QStringLiteral("reading"), as_it_finishes);
    if (const ExitCode* failure = std::get_if<ExitCode>(&run)) return *failure;
    GangRun& gang = std::get<GangRun>(run);
    const auto with_report = [&](ExitCode code) {
        if (!invocation.report) return code;
        return outranking(code,
                          write_report(*invocation.report, path, file, job, gang.results.front()));
    };
    if (invocation.json_lines) {
        report_failed_ports(gang.results);
        return with_report(
            outranking(outranking(gang.exit_code(), any_differs ? differs : done), printed));
    }

    std::vector<PortVerification> ports;
    for (const PortResult& result : gang.results) {
        ports.push_back({result, differences_of(result)});
        any_differs = any_differs || !ports.back().differences.empty();
    }
    report_failed_ports(gang.results);
    const ExitCode code = outranking(gang.exit_code(), any_differs ? differs : done);
    return with_report(outranking(code, print_result(VerifyResult(path, ports), format_of(invocation))));
}

ExitCode diff_files(const Invocation& invocation) {
    const std::optional<Configuration> first = load_or_report(invocation.files[0]);
    const std::optional<Configuration> second = load_or_report(invocation.files[1]);
    if (!first || !second) return bad_input;
    const std::vector<Difference> found =
        differences(as_programmed(*first).configuration, as_programmed(*second).configuration);
    return outranking(found.empty() ? done : differs,
                      print_result(DiffResult(invocation.files, found), format_of(invocation)));
}

} // namespace kvr::cli
