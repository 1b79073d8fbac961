// kvr-panel sheet: the commissioning sheet of a configuration file, or of a panel as read,
// as a one-page PDF.

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "cli/output.h"
#include "cli/subcommands.h"
#include "cli/configuration.h"
#include "sheet/sheet.h"

namespace kvr::cli {

namespace {

// The sheet of the file named, or of the panel read; nullopt once the failure is printed.
std::variant<SheetContent, ExitCode> sheet_of(const Invocation& invocation) {
    const QDateTime now = QDateTime::currentDateTime();
    if (!invocation.files.isEmpty()) {
        const QString& path = invocation.files.front();
        const std::optional<Configuration> configuration = load_or_report(path);
        if (!configuration) return bad_input;
        return sheet_content(*configuration, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                             now);
    }
    const std::optional<std::string> name = given_panel_name(invocation.name.value_or(QString()), NameSource::typed);
    if (!name) return bad_input;
    const auto read = read_one_panel(invocation, *name);
    if (const ExitCode* failure = std::get_if<ExitCode>(&read)) return *failure;
    const PanelRead& panel = std::get<PanelRead>(read);
    return sheet_content(panel.configuration, QStringLiteral("PANEL ON ") + panel.device, now);
}

} // namespace

ExitCode draw_sheet(const Invocation& invocation) {
    if (invocation.output.isEmpty()) {
        print_error(QStringLiteral("sheet needs -o SHEET.pdf"));
        return bad_input;
    }
    const auto content = sheet_of(invocation);
    if (const ExitCode* failure = std::get_if<ExitCode>(&content)) return *failure;
    QString error;
    if (!write_sheet(std::get<SheetContent>(content), invocation.output, &error)) {
        print_error(QStringLiteral("%1 not written: %2")
                        .arg(QDir::toNativeSeparators(invocation.output), error));
        return bad_input;
    }
    print_line(QDir::toNativeSeparators(invocation.output) +
               QStringLiteral(": COMMISSIONING SHEET WRITTEN"));
    return done;
}

} // namespace kvr::cli
