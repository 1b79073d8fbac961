#pragma once
// A configuration printed for people (a table) and for programs (one JSON document).

#include <QByteArray>
#include <QString>

#include "configuration/configuration.h"

namespace kvr::cli {

QString configuration_table(const Configuration& configuration);

// {"version": 1, "panel_name": ..., "functions": [22 objects], "intensities": {...}};
// the README documents the shape.
QByteArray configuration_json(const Configuration& configuration);

} // namespace kvr::cli
