#pragma once
// How kvr-panel prints a verdict of the log, the same in handover, status and check: the
// verdict is the records' to decide; this only renders it.

#include <QJsonObject>
#include <QString>
#include <optional>

#include "configuration/configuration.h"
#include "records/verdict.h"

namespace kvr::cli {

// "LOBBY.kcf: NOT PROVEN - WRITTEN WITH OTHER VALUES SINCE (...)"
QString verdict_line(const QString& file, const records::Verdict& verdict);

// {"file", "panel_name", "status", "reason", "entry_id", "entry_time"}; the entry's fields
// are null when the verdict rests on none, the panel name when the file was refused.
QJsonObject verdict_json(const QString& file, const std::optional<Configuration>& configuration,
                         const records::Verdict& verdict);

} // namespace kvr::cli
