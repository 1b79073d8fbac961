#pragma once
// The commissioning log's side of write, verify and read: one entry per port, all committed
// before the results are printed. A log that cannot take them never fails the operation.

#include <QString>
#include <vector>

#include "cli/invocation.h"
#include "cli/port_result.h"
#include "records/panel_job.h"

namespace kvr::cli {

// A read's source is the panel itself.
inline const QString kReadSource = QStringLiteral("panel");

using records::LoggedOperation;
using records::PanelJob;

// Records every port's entry in one transaction and marks each result logged or not; says
// on standard error why the log could not take them.
void record_ports(const Invocation& invocation, const PanelJob& job,
                  std::vector<PortResult>& results);

// Records one port's entry the moment it finishes (--json-lines, --watch), marking it.
void record_port(const Invocation& invocation, const PanelJob& job, PortResult& result);

// The source as an entry names it: the absolute path of a file, "-" for standard input.
QString logged_source(const QString& path);

} // namespace kvr::cli
