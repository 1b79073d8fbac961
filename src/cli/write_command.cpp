// kvr-panel write: programs every named panel with a file's configuration, all at once.

#include <QJsonArray>

#include "cli/configuration.h"
#include "cli/fixture.h"
#include "cli/output.h"
#include "cli/panel_gang.h"
#include "cli/port_records.h"
#include "cli/subcommands.h"
#include "configuration/windows1252.h"
#include "system/system.h"

namespace kvr::cli {

namespace {

class WriteResult : public Result {
  public:
    WriteResult(const QString& file, const std::vector<PortResult>& ports)
        : file_(file), ports_(ports) {}
    QString text() const override {
        QString text;
        for (const PortResult& port : ports_)
            text += port.line() + u'\n';
        return text;
    }
    QJsonObject data() const override {
        QJsonArray ports;
        for (const PortResult& port : ports_)
            ports.append(port.json());
        return {{"command", "write"}, {"file", file_}, {"ports", ports}};
    }

  private:
    const QString& file_;
    const std::vector<PortResult>& ports_;
};

// One port's result as a line of --json-lines: a port of the document, with its command.
QJsonObject port_line(const QString& file, const PortResult& port) {
    QJsonObject line = port.json();
    line.insert("command", "write");
    line.insert("file", file);
    return line;
}

// One panel's result as the fixture reports it, as a line of text or of JSON.
ExitCode report(const Invocation& invocation, const QString& file, const PortResult& port) {
    return print_result(LineResult(port.line() + u'\n', port_line(file, port)),
                        format_of(invocation));
}

// How many panels each port programmed and failed, once the fixture has ended.
ExitCode summarise(const Invocation& invocation, const QString& file, const FixtureRun& run) {
    if (run.signal != 0)
        print_error(QStringLiteral("stopped by %1").arg(os::signal_name(run.signal)));
    if (!run.trace_failure.isEmpty())
        print_error(QStringLiteral("the trace %1 stopped being written: %2")
                        .arg(invocation.trace, run.trace_failure));
    QJsonArray ports;
    QString text;
    for (const FixtureTally& port : run.ports) {
        ports.append(QJsonObject{
            {"device", port.device}, {"programmed", port.programmed}, {"failed", port.failed}});
        text += QStringLiteral("%1: %2 programmed, %3 failed\n")
                    .arg(port.device)
                    .arg(port.programmed)
                    .arg(port.failed);
    }
    return print_result(
        LineResult(text, {{"command", "write"}, {"file", file}, {"summary", ports}}),
        format_of(invocation));
}

// write --watch: panel after panel, each logged and reported as it is done.
ExitCode watch_fixture(const Invocation& invocation, const QString& file, const PanelJob& job) {
    PanelGang gang;
    if (const std::optional<SetupFailure> failure = gang.prepare(invocation)) {
        print_error(failure->message);
        return failure->code;
    }
    ExitCode printed = done;
    const FixtureRun run = run_fixture(gang, job, [&](PortResult& result) {
        printed = outranking(printed, report(invocation, file, result));
    });
    printed = outranking(printed, summarise(invocation, file, run));
    return outranking(run.exit_code(), printed);
}

} // namespace

ExitCode write_panels(const Invocation& invocation) {
    const QString& path = invocation.files[0];
    QString sha256;
    const std::optional<Configuration> file = load_or_report(path, &sha256);
    if (!file) return bad_input;
    // Refused as the window refuses it, before any port is opened.
    if (const std::optional<int16_t> incomplete = incomplete_selection(*file)) {
        print_error(
            path + QLatin1String(": ") +
            (*incomplete == 1 ? StatusTexts::switches_incomplete : StatusTexts::leds_incomplete));
        return bad_input;
    }

    // What the window would program after opening the file.
    const Configuration programmed = programmed_with_notes(*file, path);
    const PanelJob job{
        {records::RecordOperation::write,
         QString::fromStdU16String(from_windows1252(file->panel_name)), logged_source(path), sha256,
         records::values_digest(records::programmed_values(*file))},
        [&programmed](const Location& location) { return value_at(programmed, location); },
        std::nullopt};
    if (invocation.watch) return watch_fixture(invocation, path, job);
    // With --json-lines each port is logged and printed the moment it finishes.
    ExitCode printed = done;
    PanelGang::Finished as_it_finishes;
    if (invocation.json_lines)
        as_it_finishes = [&](PortResult& result) {
            printed = outranking(
                printed, print_result(LineResult({}, port_line(path, result)), Format::json_lines));
        };
    auto run = run_on_panels(invocation, job, QStringLiteral("writing"), as_it_finishes);
    if (const ExitCode* failure = std::get_if<ExitCode>(&run)) return *failure;
    GangRun& gang = std::get<GangRun>(run);
    report_failed_ports(gang.results);
    if (invocation.json_lines) return outranking(gang.exit_code(), printed);
    return outranking(gang.exit_code(),
                      print_result(WriteResult(path, gang.results), format_of(invocation)));
}

} // namespace kvr::cli
