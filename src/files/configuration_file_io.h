#pragma once
// Opening and saving .kcf files on disk. Qt Core only, so that the window and the
// command-line program open and save files by the same rules.

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "files/configuration_file.h"

namespace kvr {

// The path cannot be read as a file: it is missing, is not a regular file (a folder, a
// device, a pipe), or the system refused it. The reason is the operator's to read.
struct FileNotOpened {
    QString reason;
};

// The file was read but holds no configuration for this panel: another model tag, too few
// fields, a number outside 16 bits, or a code that no list entry has.
struct NotAConfigurationFile {
    QString reason; // which check failed, for a command line to name
};

using FileReadResult = std::variant<ConfigurationRecord, FileNotOpened, NotAConfigurationFile>;

// Reads and checks the file at path. Only a regular file is opened, and never in a way
// that can wait; a file beyond any configuration's size is read only at its start. Texts
// come back without the characters a name or designation may not hold.
FileReadResult read_configuration_file(const QString& path);

// Writes the record to path; an existing file is replaced only once the new one is written
// in full, and keeps its permissions. A target that is not a regular file, or that is
// read-only (for every user, root included), is refused. Gives why nothing was saved, or
// nothing once the file is saved.
[[nodiscard]] std::optional<QString> save_configuration_file(const QString& path,
                                                             const ConfigurationRecord& record);

// Why a save may not write to path, or nothing when it may. Saving renames a new file over
// the old one, which would replace a pipe or a device, and a file that a plain write may
// not change.
std::optional<QString> refusal_to_replace(const QString& path);

// Why a configuration was not saved when one of its texts has no form in the file.
inline const QString kTextNotCarried =
    QStringLiteral("A NAME OR DESIGNATION HOLDS A DOUBLE QUOTE OR A CHARACTER THAT THE FILE "
                   "CANNOT CARRY");

// The file name a save proposes for a panel name, the extension included: folder
// separators, control characters and the characters Windows forbids become '_', and a
// Windows device name (CON, NUL, COM1, ..) gets a '_' before it.
QString proposed_file_name(const QString& panel_name, QStringView extension = u".kcf");

// A file's text (Windows-1252) as the window shows it.
QString from_file_text(const std::string& bytes);

} // namespace kvr
