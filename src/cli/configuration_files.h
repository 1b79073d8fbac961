#pragma once
// Loading and saving configuration files with the checks the window makes.

#include <QString>
#include <optional>
#include <variant>

#include "files/configuration_file.h"

namespace kvr::cli {

// The record of the file at path, or why the window would refuse to open it.
std::variant<ConfigurationRecord, QString> load_configuration(const QString& path);

// Saves the record at path, replacing the file only once the new one is complete; the
// reason when it could not.
std::optional<QString> save_configuration(const ConfigurationRecord& record, const QString& path);

} // namespace kvr::cli
