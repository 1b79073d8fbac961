#include "files/file_set.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStorageInfo>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "files/configuration_file_io.h"
#include "files/whole_input.h"
#include "system/system.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;

// Each file written waits for the disk to hold it; several at once share those waits.
constexpr int kWriters = 8;
// The block a file's bytes are stored in, on the usual file systems.
constexpr qint64 kBlock = 4096;

fs::path native(const QString& path) {
    return fs::path(path.toStdU16String());
}

// A name beside the target that no folder listing takes for a configuration or site file.
QString beside(const QDir& folder, const QString& name, const char* what) {
    for (;;) {
        const QString path = folder.filePath(
            QStringLiteral(".%1.kvr-%2-%3")
                .arg(name, QLatin1String(what))
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return path;
    }
}

std::optional<FileSetFailure> checked_first(const QDir& folder,
                                            const std::vector<PlannedFile>& files) {
    if (!os::may_create_in(folder.path()))
        return FileSetFailure{{},
                              QStringLiteral("the folder %1 cannot be written")
                                  .arg(QDir::toNativeSeparators(folder.path()))};
    qint64 needed = 0;
    for (const PlannedFile& file : files) {
        if (std::optional<QString> refusal = refusal_to_replace(folder.filePath(file.name)))
            return FileSetFailure{file.name, *refusal};
        needed += std::max<qint64>(1, (file.bytes.size() + kBlock - 1) / kBlock) * kBlock;
    }
    const QStorageInfo disk(folder.path());
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < needed)
        return FileSetFailure{{},
                              QStringLiteral("the disk holding %1 has %2 free; the files need "
                                             "about %3")
                                  .arg(QDir::toNativeSeparators(folder.path()),
                                       size_text(disk.bytesAvailable()), size_text(needed))};
    return std::nullopt;
}

// Writes each file in full under its own name beside its target; why each one failed.
std::vector<std::optional<QString>> written_beside(const std::vector<PlannedFile>& files,
                                                   const std::vector<QString>& paths) {
    std::vector<std::optional<QString>> failures(files.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::jthread> writers;
    for (int i = 0; i < kWriters; ++i)
        writers.emplace_back([&] {
            for (std::size_t f = next++; f < files.size(); f = next++) {
                // Unbuffered, so that a full disk shows at the write; committed, so that the
                // bytes are on the disk before any target is replaced.
                QSaveFile file(paths[f]);
                if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                    failures[f] = file.errorString();
                else if (file.write(files[f].bytes) != files[f].bytes.size())
                    failures[f] = QStringLiteral("not all of it could be written: the disk may "
                                                 "be full");
                else if (!file.commit())
                    failures[f] = file.errorString();
            }
        });
    writers.clear(); // joined
    return failures;
}

// One target put in place: the old file moved aside first, so that it can be put back.
struct Placed {
    QString target;
    QString old; // empty when there was none
};

void put_back(const std::vector<Placed>& placed) {
    std::error_code ignored;
    for (auto at = placed.rbegin(); at != placed.rend(); ++at)
        if (at->old.isEmpty())
            fs::remove(native(at->target), ignored);
        else
            fs::rename(native(at->old), native(at->target), ignored);
}

void remove_all(const std::vector<QString>& paths) {
    std::error_code ignored;
    for (const QString& path : paths)
        fs::remove(native(path), ignored);
}

} // namespace

std::optional<FileSetFailure> save_file_set(const QString& folder_path,
                                            const std::vector<PlannedFile>& files) {
    const QDir folder(folder_path);
    if (std::optional<FileSetFailure> failure = checked_first(folder, files)) return failure;
    std::vector<QString> staged;
    for (const PlannedFile& file : files)
        staged.push_back(beside(folder, file.name, "new"));
    const std::vector<std::optional<QString>> failures = written_beside(files, staged);
    for (std::size_t f = 0; f < files.size(); ++f)
        if (failures[f]) {
            remove_all(staged);
            return FileSetFailure{files[f].name, *failures[f]};
        }

    std::vector<Placed> placed;
    for (std::size_t f = 0; f < files.size(); ++f) {
        Placed place{folder.filePath(files[f].name), {}};
        std::error_code error;
        if (QFileInfo::exists(place.target)) {
            QFile::setPermissions(staged[f], QFileInfo(place.target).permissions());
            place.old = beside(folder, files[f].name, "old");
            fs::rename(native(place.target), native(place.old), error);
        }
        if (!error) fs::rename(native(staged[f]), native(place.target), error);
        if (error) {
            // The old file, when moved aside before the failure, goes back too.
            if (!place.old.isEmpty() && QFileInfo::exists(place.old)) placed.push_back(place);
            put_back(placed);
            remove_all(staged);
            return FileSetFailure{files[f].name, QString::fromStdString(error.message())};
        }
        placed.push_back(place);
    }
    std::vector<QString> old;
    for (const Placed& place : placed)
        if (!place.old.isEmpty()) old.push_back(place.old);
    remove_all(old);
    return std::nullopt;
}

} // namespace kvr
