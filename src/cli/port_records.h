#pragma once
// The commissioning log's side of write, verify and read: one entry per port, all committed
// before the results are printed. A log that cannot take them never fails the operation.

#include <QString>
#include <vector>

#include "cli/invocation.h"
#include "cli/port_result.h"
#include "records/record.h"

namespace kvr::cli {

// A read's source is the panel itself.
inline const QString kReadSource = QStringLiteral("panel");

// What every port's entry shares.
struct LoggedOperation {
    records::RecordOperation operation;
    QString panel_name;
    QString source_path; // absolute; "-" for standard input; kReadSource for a read
    QString source_sha256;
    // Of the values programmed or compared against; empty: each port's values as read.
    QString values_digest;
};

// Records every port's entry in one transaction and marks each result logged or not; says
// on standard error why the log could not take them. differing[i] (verify) tells whether
// port i was read holding something else.
void record_ports(const Invocation& invocation, const LoggedOperation& operation,
                  std::vector<PortResult>& results, const std::vector<bool>& differing = {});

// The source as an entry names it: the absolute path of a file, "-" for standard input.
QString logged_source(const QString& path);

} // namespace kvr::cli
