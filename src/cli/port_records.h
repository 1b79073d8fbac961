#pragma once
// The commissioning log's side of write, verify and read: one entry per port, all committed
// before the results are printed. A log that cannot take them never fails the operation.

#include <QString>
#include <optional>
#include <vector>

#include "cli/port_result.h"
#include "records/panel_job.h"

namespace kvr::cli {

using records::LoggedOperation;
using records::PanelJob;

// Records every port's entry in the log (none: not logged) in one transaction, pushing
// them to the company log when one is named, and marks each result logged or not; says on
// standard error why the log could not take them.
void record_ports(const std::optional<QString>& log, const std::optional<QString>& company_log,
                  const PanelJob& job, std::vector<PortResult>& results);

// The source as an entry names it: the absolute path of a file, "-" for standard input.
QString logged_source(const QString& path);

} // namespace kvr::cli
