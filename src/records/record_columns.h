#pragma once
// The log's columns: one table that the schema, the insert, the query and both exports
// walk, so a field added to an entry is added in one place.

#include <QVariant>
#include <span>

#include "records/record.h"

namespace kvr::records {

enum class ColumnKind : std::uint8_t {
    text,
    integer,
    values, // the read-back values: "160,160,10" in the log, an array in JSON
    flag,   // 0 or 1 (or null, unknown) in the log, a boolean in JSON
};

struct Column {
    const char* name;
    ColumnKind kind;
    // The stored value; a null QVariant for a field the entry does not have.
    QVariant (*get)(const Record& record);
    void (*set)(Record& record, const QVariant& value);
    // The schema version that added the column, and what a log of an older one gives in its
    // place (SQL; null unless said).
    int since_version = 1;
    const char* before = nullptr;
};

// Every column but the id, in the order entries are exported.
std::span<const Column> record_columns();

// The column of that name (nullptr when there is none).
const Column* find_column(const char* name);

// A time as the log stores it: UTC with milliseconds, so that text order is time order.
QString stored_time(const QDateTime& time);

} // namespace kvr::records
