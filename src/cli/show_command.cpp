// kvr-panel show: a configuration file as a table or as JSON. Also the loading and
// printing that the other subcommands share.

#include <QDir>

#include "cli/configuration_view.h"
#include "cli/output.h"
#include "cli/subcommands.h"
#include "files/configuration_file_io.h"

namespace kvr::cli {

namespace {

const QString kNotAConfiguration = QStringLiteral("NOT A CONFIGURATION FILE FOR THE 07-04412: ");

} // namespace

std::optional<ConfigurationRecord> load_or_report(const QString& path) {
    FileReadResult loaded = read_configuration_file(path);
    if (auto* record = std::get_if<ConfigurationRecord>(&loaded)) return std::move(*record);
    const auto* not_opened = std::get_if<FileNotOpened>(&loaded);
    print_error(QDir::toNativeSeparators(path) + QLatin1String(": ") +
                (not_opened ? not_opened->reason
                            : kNotAConfiguration + std::get<NotAConfigurationFile>(loaded).reason));
    return std::nullopt;
}

void print_configuration(const ConfigurationRecord& record, bool json) {
    if (json)
        print_bytes(configuration_json(record));
    else
        print(configuration_table(record));
}

ExitCode show_file(const Invocation& invocation) {
    const std::optional<ConfigurationRecord> record = load_or_report(invocation.files[0]);
    if (!record) return bad_input;
    print_configuration(*record, invocation.json);
    return done;
}

} // namespace kvr::cli
