#pragma once
// A configuration printed for people (a table) and for programs (one JSON document).

#include <QJsonObject>
#include <QString>
#include <cstdint>

#include "configuration/configuration.h"

namespace kvr::cli {

QString configuration_table(const Configuration& configuration);

// {"panel_name": ..., "functions": [22 objects], "intensities": {...}}; the README
// documents the shape.
QJsonObject configuration_json(const Configuration& configuration);

// An assignment code as JSON gives it: {"code", "module", "channel"}.
QJsonObject assignment_json(std::int16_t code);
// An intensity code as held, with the percent the window shows for it: {"code", "percent"}.
QJsonObject intensity_json(std::int16_t code);

} // namespace kvr::cli
