// kvr-panel show: a configuration file as a table or as JSON. Also the loading and
// printing that the other subcommands share.

#include <QDir>

#include "cli/configuration_files.h"
#include "cli/configuration_view.h"
#include "cli/output.h"
#include "cli/subcommands.h"

namespace kvr::cli {

std::optional<ConfigurationRecord> load_or_report(const QString& path) {
    std::variant<ConfigurationRecord, QString> loaded = load_configuration(path);
    if (auto* record = std::get_if<ConfigurationRecord>(&loaded)) return std::move(*record);
    print_error(QDir::toNativeSeparators(path) + QLatin1String(": ") + std::get<QString>(loaded));
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
