// kvr-panel import: a lighting schedule (CSV) made into one .kcf file per panel, each as
// the window would save it, and the rooms into the folder's site.json. Nothing is saved
// while any row is wrong.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <atomic>
#include <cstdio>
#include <thread>

#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/subcommands.h"
#include "files/configuration_file_io.h"
#include "site/schedule.h"
#include "site/site_file.h"

namespace kvr::cli {

namespace {

// A schedule of a few hundred panels is well under a megabyte.
constexpr qint64 kLargestSchedule = 64 * 1024 * 1024;

std::optional<QByteArray> read_schedule(const QString& path) {
    QFile file(path);
    const bool opened = path == kStandardStream    ? file.open(stdin, QIODevice::ReadOnly)
                        : QFileInfo(path).isFile() ? file.open(QIODevice::ReadOnly)
                                                   : false;
    if (!opened) {
        print_error(QStringLiteral("%1: %2").arg(
            QDir::toNativeSeparators(path),
            QFileInfo(path).isDir() ? QStringLiteral("is a folder") : file.errorString()));
        return std::nullopt;
    }
    return file.read(kLargestSchedule);
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

// Each save waits for the disk to hold the file; several at once share those waits.
constexpr int kSavers = 8;

// Saves every panel in the folder; gives, per panel, why it was not saved.
std::vector<std::optional<QString>> save_panels(const QDir& folder,
                                                const std::vector<site::SchedulePanel>& panels) {
    std::vector<QString> paths;
    for (const site::SchedulePanel& panel : panels)
        paths.push_back(folder.filePath(panel.file_name));
    std::vector<std::optional<QString>> failures(panels.size());
    std::atomic<std::size_t> next{0};
    {
        std::vector<std::jthread> savers;
        for (int i = 0; i < kSavers; ++i)
            savers.emplace_back([&] {
                for (std::size_t p = next++; p < panels.size(); p = next++)
                    failures[p] =
                        save_configuration_file(paths[p], record_of(panels[p].configuration));
            });
    }
    return failures;
}

} // namespace

ExitCode import_site(const Invocation& invocation) {
    if (!invocation.output) {
        print_error(QStringLiteral("import needs -o FOLDER"));
        return bad_input;
    }
    const QString schedule = QDir::toNativeSeparators(invocation.files[0]);
    const std::optional<QByteArray> bytes = read_schedule(invocation.files[0]);
    if (!bytes) return bad_input;
    const site::ScheduleImport imported = site::import_schedule(*bytes);
    print_remarks(schedule, imported.problems);
    if (!imported.problems.empty()) return bad_input;
    print_remarks(schedule, imported.notes);

    const QDir folder(*invocation.output);
    if (!invocation.force && refuses_to_replace(folder, imported.panels)) return bad_input;
    if (!QDir().mkpath(folder.path())) {
        print_error(QStringLiteral("the folder %1 could not be made")
                        .arg(QDir::toNativeSeparators(folder.path())));
        return output_failed;
    }
    QString site_error;
    site::SiteFile site = site::read_site_file(folder.path(), &site_error);
    if (!site_error.isEmpty()) {
        // Its other fields would be lost if it were written anew.
        print_error(site_error + QStringLiteral("; nothing was saved"));
        return bad_input;
    }
    const std::vector<std::optional<QString>> failures = save_panels(folder, imported.panels);
    bool all_saved = true;
    for (std::size_t p = 0; p < failures.size(); ++p) {
        if (!failures[p]) continue;
        print_error(
            QStringLiteral("%1 not saved: %2")
                .arg(QDir::toNativeSeparators(folder.filePath(imported.panels[p].file_name)),
                     *failures[p]));
        all_saved = false;
    }
    if (!all_saved) return output_failed;
    for (const site::SchedulePanel& panel : imported.panels) {
        if (panel.room.isEmpty())
            site.rooms.erase(panel.file_name);
        else
            site.rooms[panel.file_name] = panel.room;
    }
    if (const std::optional<QString> failure = site::write_site_file(folder.path(), site)) {
        print_error(
            QStringLiteral("%1 not saved: %2")
                .arg(QDir::toNativeSeparators(folder.filePath(site::kSiteFileName)), *failure));
        return output_failed;
    }
    return print_result(ImportResult(folder.path(), imported.panels), invocation.json);
}

} // namespace kvr::cli
