#pragma once
// A configuration printed for people (a table) and for programs (one JSON document).

#include <QByteArray>
#include <QString>

#include "files/configuration_file.h"

namespace kvr::cli {

QString configuration_table(const ConfigurationRecord& record);

// {"version": 1, "panel_name": ..., "functions": [22 objects], "intensities": {...}};
// the README documents the shape.
QByteArray configuration_json(const ConfigurationRecord& record);

} // namespace kvr::cli
