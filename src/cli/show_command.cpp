// kvr-panel show: a configuration file as a table or as JSON. Also the loading that the
// other subcommands share.

#include <QDir>
#include <QTemporaryFile>
#include <cstdio>

#include "cli/configuration_view.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/subcommands.h"
#include "files/configuration_file_io.h"
#include "records/record.h"

namespace kvr::cli {

namespace {

const QString kNotAConfiguration = QStringLiteral("NOT A CONFIGURATION FILE FOR THE 07-04412: ");

class ConfigurationResult : public Result {
  public:
    explicit ConfigurationResult(const Configuration& configuration)
        : configuration_(configuration) {}
    QString text() const override { return configuration_table(configuration_); }
    QJsonObject data() const override { return configuration_json(configuration_); }

  private:
    const Configuration& configuration_;
};

// Standard input, kept in a file so that it is read by the same rules as any file.
FileReadResult read_standard_input(QString* sha256) {
    QTemporaryFile copy;
    QFile input;
    if (!copy.open() || !input.open(stdin, QIODevice::ReadOnly))
        return FileNotOpened{QStringLiteral("STANDARD INPUT CANNOT BE READ")};
    if (copy.write(input.readAll()) < 0 || !copy.flush()) return FileNotOpened{copy.errorString()};
    if (sha256) *sha256 = records::file_sha256(copy.fileName()).value_or(QString());
    return read_configuration_file(copy.fileName());
}

} // namespace

std::optional<Configuration> load_or_report(const QString& path, QString* sha256) {
    FileReadResult loaded =
        path == kStandardStream ? read_standard_input(sha256) : read_configuration_file(path);
    if (sha256 && path != kStandardStream) *sha256 = records::file_sha256(path).value_or(QString());
    if (auto* record = std::get_if<ConfigurationRecord>(&loaded)) return configuration_of(*record);
    const auto* not_opened = std::get_if<FileNotOpened>(&loaded);
    print_error(QDir::toNativeSeparators(path) + QLatin1String(": ") +
                (not_opened ? not_opened->reason
                            : kNotAConfiguration + std::get<NotAConfigurationFile>(loaded).reason));
    return std::nullopt;
}

ExitCode show_file(const Invocation& invocation) {
    const std::optional<Configuration> configuration = load_or_report(invocation.files[0]);
    if (!configuration) return bad_input;
    return print_result(ConfigurationResult(*configuration), format_of(invocation));
}

} // namespace kvr::cli
