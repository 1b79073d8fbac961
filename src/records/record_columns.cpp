#include "records/record_columns.h"

#include <QStringList>
#include <cstring>

namespace kvr::records {
namespace {

QVariant text_or_null(const QString& text) {
    return text.isEmpty() ? QVariant() : text;
}

QVariant stored_vid_pid(const Adapter& adapter) {
    return text_or_null(adapter.vid_pid());
}

void load_vid_pid(Adapter& adapter, const QString& text) {
    const QStringList parts = text.split(u':');
    if (parts.size() != 2) return;
    bool vendor_ok = false, product_ok = false;
    const int vendor = parts[0].toInt(&vendor_ok, 16);
    const int product = parts[1].toInt(&product_ok, 16);
    if (!vendor_ok || !product_ok) return;
    adapter.vendor_id = vendor;
    adapter.product_id = product;
}

QVariant stored_values(const QList<std::int16_t>& values) {
    QStringList numbers;
    for (const std::int16_t value : values)
        numbers << QString::number(value);
    return numbers.join(u',');
}

QList<std::int16_t> loaded_values(const QString& text) {
    QList<std::int16_t> values;
    for (const QString& number : text.split(u',', Qt::SkipEmptyParts))
        values << static_cast<std::int16_t>(number.toShort());
    return values;
}

// What the first version's entries did not say about their panel: kvr-panel named its
// simulated panels, and a pseudo-terminal used by the window may have been its built-in
// panel (unknown); every other entry was a port named by the user.
const char* const kFirstVersionSimulated =
    "CASE WHEN device LIKE 'SIMULATED PANEL %' THEN 1 "
    "WHEN program = 'kvr-config' AND device LIKE '/dev/pts/%' THEN NULL ELSE 0 END";

// Text fields stored as they stand: a name and a pointer to the member.
#define KVR_TEXT_COLUMN(column, member)                                                            \
    Column {                                                                                       \
        column, ColumnKind::text, [](const Record& r) { return text_or_null(r.member); },          \
            [](Record& r, const QVariant& v) { r.member = v.toString(); }                          \
    }

const Column kColumns[] = {
    {"time_utc", ColumnKind::text, [](const Record& r) -> QVariant { return stored_time(r.time); },
     [](Record& r, const QVariant& v) {
         r.time = QDateTime::fromString(v.toString(), Qt::ISODateWithMs).toUTC();
     }},
    KVR_TEXT_COLUMN("program", program),
    KVR_TEXT_COLUMN("version", version),
    {"operation", ColumnKind::text,
     [](const Record& r) -> QVariant { return operation_text(r.operation); },
     [](Record& r, const QVariant& v) {
         r.operation = operation_from_text(v.toString()).value_or(RecordOperation::write);
     }},
    KVR_TEXT_COLUMN("device", device),
    KVR_TEXT_COLUMN("adapter", adapter.description),
    {"vid_pid", ColumnKind::text, [](const Record& r) { return stored_vid_pid(r.adapter); },
     [](Record& r, const QVariant& v) { load_vid_pid(r.adapter, v.toString()); }},
    KVR_TEXT_COLUMN("serial_number", adapter.serial_number),
    KVR_TEXT_COLUMN("panel_name", panel_name),
    {"source", ColumnKind::text, [](const Record& r) -> QVariant { return r.source_text(); },
     [](Record& r, const QVariant& v) {
         r.source_path = v.toString() == QLatin1String("window") ? QString() : v.toString();
     }},
    KVR_TEXT_COLUMN("source_sha256", source_sha256),
    KVR_TEXT_COLUMN("values_digest", values_digest),
    {"outcome", ColumnKind::text,
     [](const Record& r) -> QVariant { return outcome_text(r.outcome); },
     [](Record& r, const QVariant& v) {
         r.outcome = outcome_from_text(v.toString()).value_or(RecordOutcome::failed);
     }},
    {"failure_location", ColumnKind::integer,
     [](const Record& r) {
         return r.failure.location ? QVariant(*r.failure.location) : QVariant();
     },
     [](Record& r, const QVariant& v) {
         if (!v.isNull()) r.failure.location = v.toInt();
     }},
    KVR_TEXT_COLUMN("failure_function", failure.function),
    KVR_TEXT_COLUMN("failure_reason", failure.reason),
    {"read_back", ColumnKind::values, [](const Record& r) { return stored_values(r.read_back); },
     [](Record& r, const QVariant& v) { r.read_back = loaded_values(v.toString()); }},
    {"duration_ms", ColumnKind::integer,
     [](const Record& r) { return QVariant(static_cast<qlonglong>(r.duration_ms)); },
     [](Record& r, const QVariant& v) { r.duration_ms = v.toLongLong(); }},
    // Added with the log's second version: older entries hold null, unknown.
    {"simulated", ColumnKind::flag,
     [](const Record& r) { return r.simulated ? QVariant(int(*r.simulated)) : QVariant(); },
     [](Record& r, const QVariant& v) {
         r.simulated = v.isNull() ? std::nullopt : std::optional<bool>(v.toInt() != 0);
     },
     2, kFirstVersionSimulated},
    // Added with the third version; older entries did not say.
    {"line", ColumnKind::text,
     [](const Record& r) { return r.line ? QVariant(line_text(*r.line)) : QVariant(); },
     [](Record& r, const QVariant& v) { r.line = line_from_text(v.toString()); }, 3},
    {"run", ColumnKind::text, [](const Record& r) { return text_or_null(r.run); },
     [](Record& r, const QVariant& v) { r.run = v.toString(); }, 3},
    // An older log's entries are in the order of their ids until it is chained.
    {"sequence", ColumnKind::integer,
     [](const Record& r) {
         return r.sequence > 0 ? QVariant(static_cast<qlonglong>(r.sequence)) : QVariant();
     },
     [](Record& r, const QVariant& v) { r.sequence = v.toLongLong(); }, 3, "id"},
    {"previous_digest", ColumnKind::text,
     [](const Record& r) { return text_or_null(r.previous_digest); },
     [](Record& r, const QVariant& v) { r.previous_digest = v.toString(); }, 3},
    {"digest", ColumnKind::text, [](const Record& r) { return text_or_null(r.digest); },
     [](Record& r, const QVariant& v) { r.digest = v.toString(); }, 3},
    // Added with the fourth version, so entries can travel between stations. The digest
    // does not cover them (an entry's place is its station's chain; see log_chain.h).
    {"uuid", ColumnKind::text, [](const Record& r) { return text_or_null(r.uuid); },
     [](Record& r, const QVariant& v) { r.uuid = v.toString(); }, 4},
    {"station", ColumnKind::text, [](const Record& r) { return text_or_null(r.station); },
     [](Record& r, const QVariant& v) { r.station = v.toString(); }, 4},
    {"station_host", ColumnKind::text, [](const Record& r) { return text_or_null(r.station_host); },
     [](Record& r, const QVariant& v) { r.station_host = v.toString(); }, 4},
    {"station_user", ColumnKind::text, [](const Record& r) { return text_or_null(r.station_user); },
     [](Record& r, const QVariant& v) { r.station_user = v.toString(); }, 4},
};

#undef KVR_TEXT_COLUMN

} // namespace

std::span<const Column> record_columns() {
    return kColumns;
}

const Column* find_column(const char* name) {
    for (const Column& column : kColumns)
        if (std::strcmp(column.name, name) == 0) return &column;
    return nullptr;
}

QString stored_time(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace kvr::records
