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

std::optional<Configuration> load_or_report(const QString& path) {
    FileReadResult loaded = read_configuration_file(path);
    if (auto* record = std::get_if<ConfigurationRecord>(&loaded)) return configuration_of(*record);
    const auto* not_opened = std::get_if<FileNotOpened>(&loaded);
    print_error(QDir::toNativeSeparators(path) + QLatin1String(": ") +
                (not_opened ? not_opened->reason
                            : kNotAConfiguration + std::get<NotAConfigurationFile>(loaded).reason));
    return std::nullopt;
}

void print_configuration(const Configuration& configuration, bool json) {
    if (json)
        print_bytes(configuration_json(configuration));
    else
        print(configuration_table(configuration));
}

ExitCode show_file(const Invocation& invocation) {
    const std::optional<Configuration> configuration = load_or_report(invocation.files[0]);
    if (!configuration) return bad_input;
    print_configuration(*configuration, invocation.json);
    return done;
}

} // namespace kvr::cli
