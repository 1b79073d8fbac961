// kvr-panel export: a folder's .kcf files written back as the lighting schedule that
// import reads, with the rooms from the folder's site.json.

#include <QDir>
#include <QSaveFile>

#include "cli/comparison.h"
#include "cli/output.h"
#include "cli/outputs.h"
#include "cli/subcommands.h"
#include "files/configuration_file_io.h"
#include "site/schedule.h"
#include "site/site_check.h"

namespace kvr::cli {

namespace {

class ExportResult : public Result {
  public:
    ExportResult(const QString& schedule, int panels) : schedule_(schedule), panels_(panels) {}
    QString text() const override {
        return QStringLiteral("%1: SCHEDULE OF %2 PANELS WRITTEN\n").arg(schedule_).arg(panels_);
    }
    QJsonObject data() const override {
        return {{"command", "export"}, {"schedule", schedule_}, {"panels", panels_}};
    }

  private:
    QString schedule_;
    int panels_;
};

// The panels as the schedule holds them, or nullopt once every file it cannot hold is
// printed: a refused file, or one with a selection that a file saved by the window never
// has.
std::optional<std::vector<site::SchedulePanel>> schedule_panels(const site::Site& site) {
    std::vector<site::SchedulePanel> panels;
    bool complete = true;
    for (const site::SitePanel& panel : site.panels) {
        const QString path = QDir::toNativeSeparators(QDir(site.folder).filePath(panel.file_name));
        if (!panel.configuration) {
            print_error(QStringLiteral("%1: %2").arg(path, panel.refusal));
            complete = false;
        } else if (incomplete_selection(*panel.configuration)) {
            print_error(
                QStringLiteral("%1: a module without a channel cannot be exported").arg(path));
            complete = false;
        } else {
            panels.push_back({panel.file_name, panel.room, *panel.configuration});
        }
    }
    if (!complete) return std::nullopt;
    return panels;
}

std::optional<QString> save_schedule(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    if (file.write(bytes) != bytes.size())
        return QStringLiteral("not all of the file could be written: the disk may be full");
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

// The file's bytes as they are on the disk.
QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Why import would not make the folder's file again as it is from the schedule.
std::optional<QString> not_made_again(const site::Site& site, const site::SchedulePanel& file,
                                      const site::SchedulePanel& imported) {
    if (imported.file_name != file.file_name)
        return QStringLiteral("import would save its panel \"%1\" as %2")
            .arg(from_file_text(file.configuration.panel_name), imported.file_name);
    if (imported.room != file.room)
        return QStringLiteral("its room \"%1\" would come back as \"%2\"")
            .arg(file.room, imported.room);
    const std::optional<std::string> bytes = write_configuration(record_of(imported.configuration));
    if (bytes &&
        QByteArray::fromStdString(*bytes) == file_bytes(QDir(site.folder).filePath(file.file_name)))
        return std::nullopt;
    const std::vector<Difference> found = differences(file.configuration, imported.configuration);
    if (found.empty())
        return QStringLiteral("its labels, or what follows its 52 fields, are not what a save "
                              "writes");
    return QStringLiteral("import would make it with ") +
           difference_line(found.front(), QStringLiteral("here"),
                           QStringLiteral("from the schedule"));
}

// Whether import takes the schedule back and makes every file of it again byte for byte;
// each reason it would not is printed.
bool comes_back_whole(const site::Site& site, const std::vector<site::SchedulePanel>& panels,
                      const QByteArray& schedule) {
    const site::ScheduleImport imported = site::import_schedule(schedule);
    for (const site::ScheduleRemark& problem : imported.problems)
        print_error(
            QStringLiteral("%1: import would refuse the schedule of this folder: row %2: %3")
                .arg(QDir::toNativeSeparators(site.folder))
                .arg(problem.row)
                .arg(problem.text));
    if (!imported.problems.empty()) return false;
    bool whole = true;
    for (std::size_t p = 0; p < panels.size(); ++p)
        if (const std::optional<QString> reason =
                not_made_again(site, panels[p], imported.panels[p])) {
            print_error(QStringLiteral("%1: %2").arg(
                QDir::toNativeSeparators(QDir(site.folder).filePath(panels[p].file_name)),
                *reason));
            whole = false;
        }
    return whole;
}

} // namespace

ExitCode export_site(const Invocation& invocation) {
    const QString& folder = invocation.files[0];
    if (!QFileInfo(folder).isDir()) {
        print_error(QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(folder)));
        return bad_input;
    }
    const bool to_stdout = !invocation.output || *invocation.output == kStandardStream;
    if (to_stdout && invocation.json) {
        print_error(QStringLiteral("export --json needs -o SCHEDULE.csv"));
        return bad_input;
    }
    const site::Site site = site::read_site(folder);
    if (!site.file_error.isEmpty()) print_error(site.file_error + QStringLiteral("; no rooms"));
    const auto panels = schedule_panels(site);
    if (!panels) return bad_input;
    const QByteArray schedule = site::export_schedule(*panels);
    // Export writes only what import takes back as it is.
    if (!comes_back_whole(site, *panels, schedule)) {
        print_error(QStringLiteral("no schedule was written"));
        return bad_input;
    }
    if (to_stdout) {
        return print_output(schedule, QStringLiteral("the schedule"));
    }
    const QString output = QDir::toNativeSeparators(*invocation.output);
    if (const std::optional<QString> failure = save_schedule(*invocation.output, schedule)) {
        print_error(QStringLiteral("%1 not written: %2").arg(output, *failure));
        return output_failed;
    }
    return print_result(ExportResult(output, int(panels->size())), format_of(invocation));
}

} // namespace kvr::cli
