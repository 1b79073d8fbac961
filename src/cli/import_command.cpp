// kvr-panel import: a lighting schedule (CSV) made into one .kcf file per panel, each as
// the window would save it, and the rooms into the folder's site.json. Nothing is saved
// while any row is wrong.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <cstdio>

#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/subcommands.h"
#include "files/configuration_file_io.h"
#include "files/file_set.h"
#include "files/whole_input.h"
#include "site/schedule.h"
#include "site/site_file.h"

namespace kvr::cli {

namespace {

// A schedule of a few hundred panels is well under a megabyte.
constexpr qint64 kLargestSchedule = 64 * 1024 * 1024;

// The schedule at path, read whole; nullopt once why it cannot be is printed, the
// schedule named as shown.
std::optional<QByteArray> read_schedule(const QString& path, const QString& shown) {
    QFile input;
    const WholeInput read = path != kStandardStream ? read_whole_file(path, kLargestSchedule)
                            : input.open(stdin, QIODevice::ReadOnly)
                                ? read_whole_stream(input, kLargestSchedule)
                                : WholeInput(input.errorString());
    if (const QString* failure = std::get_if<QString>(&read)) {
        print_error(QStringLiteral("%1: %2; nothing was saved").arg(shown, *failure));
        return std::nullopt;
    }
    return std::get<QByteArray>(read);
}

void print_remarks(const QString& schedule, const std::vector<site::ScheduleRemark>& remarks) {
    for (const site::ScheduleRemark& remark : remarks)
        print_error(
            remark.row > 0
                ? QStringLiteral("%1: row %2: %3").arg(schedule).arg(remark.row).arg(remark.text)
                : QStringLiteral("%1: %2").arg(schedule, remark.text));
}

class ImportResult : public Result {
  public:
    ImportResult(const QString& folder, const std::vector<site::SchedulePanel>& panels)
        : folder_(folder), panels_(panels) {}
    QString text() const override {
        QString text;
        for (const site::SchedulePanel& panel : panels_)
            text += QDir::toNativeSeparators(QDir(folder_).filePath(panel.file_name)) +
                    QStringLiteral(": SAVED\n");
        return text;
    }
    QJsonObject data() const override {
        QJsonArray panels;
        for (const site::SchedulePanel& panel : panels_)
            panels.append(QJsonObject{
                {"file", panel.file_name},
                {"panel_name", from_file_text(panel.configuration.panel_name)},
                {"room", panel.room},
            });
        return {{"command", "import"}, {"folder", folder_}, {"panels", panels}};
    }

  private:
    QString folder_;
    const std::vector<site::SchedulePanel>& panels_;
};

// The files already in the folder that the import would replace, each printed.
bool refuses_to_replace(const QDir& folder, const std::vector<site::SchedulePanel>& panels) {
    bool any = false;
    for (const site::SchedulePanel& panel : panels) {
        const QString path = folder.filePath(panel.file_name);
        if (!QFileInfo::exists(path)) continue;
        print_error(QStringLiteral("%1 is already there; --force replaces it")
                        .arg(QDir::toNativeSeparators(path)));
        any = true;
    }
    return any;
}

// The schedule's order and its own columns in the site file: the panels imported first, in
// the schedule's order, then those the file knew from before.
void take_schedule(site::SiteFile& site, const site::ScheduleImport& imported) {
    QStringList order;
    for (const site::SchedulePanel& panel : imported.panels) {
        order.append(panel.file_name);
        if (panel.columns.empty())
            site.columns.erase(panel.file_name);
        else
            site.columns[panel.file_name] = panel.columns;
    }
    for (const QString& file_name : std::as_const(site.order))
        if (!order.contains(file_name)) order.append(file_name);
    site.order = order;
    QStringList columns = imported.extra_columns;
    for (const QString& column : std::as_const(site.extra_columns))
        if (!columns.contains(column)) columns.append(column);
    site.extra_columns = columns;
}

// Every panel's file and the site file with the panels' rooms, order and own columns, as
// they are to be saved; nullopt once the reason one of them cannot be is printed.
std::optional<std::vector<PlannedFile>> planned_files(const QDir& folder,
                                                      const site::ScheduleImport& imported,
                                                      site::SiteFile site) {
    const std::vector<site::SchedulePanel>& panels = imported.panels;
    take_schedule(site, imported);
    std::vector<PlannedFile> files;
    for (const site::SchedulePanel& panel : panels) {
        const std::optional<std::string> bytes =
            write_configuration(record_of(panel.configuration));
        if (!bytes) {
            print_error(QStringLiteral("%1 not saved: %2; nothing was saved")
                            .arg(QDir::toNativeSeparators(folder.filePath(panel.file_name)),
                                 kTextNotCarried));
            return std::nullopt;
        }
        files.push_back({panel.file_name, QByteArray::fromStdString(*bytes)});
        if (panel.room.isEmpty())
            site.rooms.erase(panel.file_name);
        else
            site.rooms[panel.file_name] = panel.room;
    }
    const auto site_bytes = site::site_file_contents(site);
    if (const QString* refusal = std::get_if<QString>(&site_bytes)) {
        print_error(
            QStringLiteral("%1 not saved: %2; nothing was saved")
                .arg(QDir::toNativeSeparators(folder.filePath(site::kSiteFileName)), *refusal));
        return std::nullopt;
    }
    files.push_back({site::kSiteFileName, std::get<QByteArray>(site_bytes)});
    return files;
}

} // namespace

ExitCode import_site(const Invocation& invocation) {
    if (!invocation.output) {
        print_error(QStringLiteral("import needs -o FOLDER"));
        return bad_input;
    }
    const QString schedule = invocation.files[0] == kStandardStream
                                 ? QStringLiteral("standard input")
                                 : QDir::toNativeSeparators(invocation.files[0]);
    const std::optional<QByteArray> bytes = read_schedule(invocation.files[0], schedule);
    if (!bytes) return bad_input;
    const site::ScheduleImport imported = site::import_schedule(*bytes);
    // What was read (an encoding, a header row further down) helps with a refusal too.
    print_remarks(schedule, imported.notes);
    print_remarks(schedule, imported.problems);
    if (!imported.problems.empty()) return bad_input;

    const QDir folder(*invocation.output);
    if (!invocation.force && refuses_to_replace(folder, imported.panels)) return bad_input;
    QString site_error;
    site::SiteFile site = site::read_site_file(folder.path(), &site_error);
    if (!site_error.isEmpty()) {
        // Its other fields would be lost if it were written anew.
        print_error(site_error + QStringLiteral("; nothing was saved"));
        return bad_input;
    }
    const std::optional<std::vector<PlannedFile>> files =
        planned_files(folder, imported, std::move(site));
    if (!files) return bad_input;
    if (!QDir().mkpath(folder.path())) {
        print_error(QStringLiteral("the folder %1 could not be made")
                        .arg(QDir::toNativeSeparators(folder.path())));
        return output_failed;
    }
    if (const std::optional<FileSetFailure> failure = save_file_set(folder.path(), *files)) {
        print_error(QStringLiteral("%1: %2; nothing was saved, the folder is as it was")
                        .arg(QDir::toNativeSeparators(failure->file.isEmpty()
                                                          ? folder.path()
                                                          : folder.filePath(failure->file)),
                             failure->reason));
        return output_failed;
    }
    return print_result(ImportResult(folder.path(), imported.panels), format_of(invocation));
}

} // namespace kvr::cli
