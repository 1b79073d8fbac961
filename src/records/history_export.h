#pragma once
// Entries of the log as CSV (for the spreadsheet a site manager keeps) and as JSON, with
// the same fields in the same order as the log's columns.

#include <QByteArray>
#include <QString>
#include <vector>

#include "records/record.h"

namespace kvr::records {

// A header line, then one line per entry; fields quoted where they need it, lines ended
// with CRLF as spreadsheets expect.
QString history_csv(const std::vector<Record>& entries);

// {"version": 1, "entries": [{"id": .., "time_utc": .., ...}, ...]}; a field an entry lacks
// is null, the read-back values an array of numbers.
QByteArray history_json(const std::vector<Record>& entries);

} // namespace kvr::records
