#pragma once
// Several files saved in one folder as one: either every one is saved or the folder is left
// as it was. What can be known first is checked before anything is written (each target
// may be replaced, the folder may be written, the disk has room); then every file is
// written in full beside its target under a name of its own, and only once all are written
// are they put in place, one rename each; a failure on the way puts back what was there.
// Qt Core only.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace kvr {

struct PlannedFile {
    QString name; // in the folder
    QByteArray bytes;
};

struct FileSetFailure {
    QString file; // the file that failed, or empty when it is the folder or the disk
    QString reason;
};

// Saves the files in the existing folder. An existing target keeps its permissions; one
// that is not a regular file or is read-only is refused, as a single save refuses it.
[[nodiscard]] std::optional<FileSetFailure> save_file_set(const QString& folder,
                                                          const std::vector<PlannedFile>& files);

} // namespace kvr
