// kvr-panel read: reads one panel, prints its configuration and, with -o, saves it as a
// configuration file the way the window saves what it has read.

#include <QFileInfo>
#include <QJsonArray>

#include "cli/configuration.h"
#include "cli/configuration_view.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/panel_gang.h"
#include "cli/port_records.h"
#include "cli/subcommands.h"
#include "configuration/windows1252.h"
#include "files/configuration_file_io.h"

namespace kvr::cli {

namespace {

class ReadResult : public Result {
  public:
    explicit ReadResult(const PanelRead& read) : read_(read) {}
    // A panel not read is said on standard error; its table would be empty.
    QString text() const override {
        return read_.configuration ? configuration_table(*read_.configuration) : QString();
    }
    QJsonObject data() const override {
        return {{"command", "read"}, {"ports", QJsonArray{port_json()}}};
    }
    QJsonObject port_json() const {
        QJsonObject port = read_.result.json();
        port.insert("configuration", read_.configuration
                                         ? QJsonValue(configuration_json(*read_.configuration))
                                         : QJsonValue());
        return port;
    }
    // The one port's result as a line of --json-lines.
    LineResult line() const {
        QJsonObject line = port_json();
        line.insert("command", "read");
        return LineResult(text(), line);
    }

  private:
    const PanelRead& read_;
};

// The panel name as the file carries it, or nullopt once the reason has been printed.
std::optional<std::string> panel_name(const Invocation& invocation) {
    if (invocation.name) return given_panel_name(*invocation.name, NameSource::typed);
    const bool to_file = invocation.output && *invocation.output != kStandardStream;
    const QString name = to_file ? QFileInfo(*invocation.output).completeBaseName() : QString();
    if (invocation.output && name.isEmpty()) {
        print_error(QStringLiteral("a saved configuration needs a panel name: give --name NAME"));
        return std::nullopt;
    }
    return given_panel_name(name, NameSource::file_name);
}

// Saves what was read as the window saves it: with the values its lists can show.
ExitCode save(const Configuration& held, const QString& device, const QString& output) {
    const ConfigurationRecord record = record_of(programmed_with_notes(held, device));
    if (output == kStandardStream) {
        const std::optional<std::string> contents = write_configuration(record);
        if (!contents) {
            print_error(QStringLiteral("not saved: ") + kTextNotCarried);
            return output_failed;
        }
        return print_output(QByteArray::fromStdString(*contents),
                            QStringLiteral("the configuration"));
    }
    if (const std::optional<QString> failure = save_configuration_file(output, record)) {
        print_error(QStringLiteral("%1 not saved: %2").arg(output, *failure));
        return output_failed;
    }
    return done;
}

} // namespace

std::variant<PanelRead, ExitCode> read_one_panel(const Invocation& invocation,
                                                 const std::string& name) {
    const PanelJob job{{records::RecordOperation::read,
                        QString::fromStdU16String(from_windows1252(name)),
                        records::kReadSource,
                        {},
                        {}},
                       {},
                       std::nullopt};
    auto run = run_on_panels(invocation, job, QStringLiteral("reading"));
    if (const ExitCode* failure = std::get_if<ExitCode>(&run)) return *failure;
    GangRun& gang = std::get<GangRun>(run);
    PanelRead read{gang.results.front(), std::nullopt, gang.exit_code()};
    if (read.result.succeeded()) {
        read.configuration = configuration_in(read.result.values);
        read.configuration->panel_name = name;
    }
    return read;
}

ExitCode read_panel(const Invocation& invocation) {
    // Checked before the panel is contacted, so that a read is never wasted.
    const std::optional<std::string> name = panel_name(invocation);
    if (!name) return bad_input;
    const auto outcome = read_one_panel(invocation, *name);
    if (const ExitCode* failure = std::get_if<ExitCode>(&outcome)) return *failure;
    const PanelRead& read = std::get<PanelRead>(outcome);

    if (!read.configuration && !invocation.json && !invocation.json_lines)
        print_error(read.result.line());
    // With -o -, standard output carries the file alone.
    const bool file_to_stdout = invocation.output == kStandardStream;
    const ReadResult result(read);
    const ExitCode printed = file_to_stdout ? done
                             : invocation.json_lines
                                 ? print_result(result.line(), Format::json_lines)
                                 : print_result(result, format_of(invocation));
    // An interrupted or failed read saves nothing.
    if (!read.configuration || !invocation.output) return outranking(read.code, printed);
    return outranking(outranking(read.code, printed),
                      save(*read.configuration, read.result.device, *invocation.output));
}

} // namespace kvr::cli
