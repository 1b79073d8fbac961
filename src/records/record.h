#pragma once
// One entry of the commissioning log: what one operation did to the panel on one port. The
// window and kvr-panel fill it in the same way, so a service technician can trust it
// whichever of them programmed the panel.

#include <QDateTime>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

#include "configuration/configuration.h"
#include "panel/memory_map.h"

namespace kvr::records {

enum class RecordOperation : std::uint8_t { write, verify, read };

enum class RecordOutcome : std::uint8_t {
    programmed_and_verified, // a write with every value read back and compared
    failed,                  // stopped by the port, the panel or the line
    differs,                 // a verify that found the panel holding something else
    interrupted,             // cancelled, or the program ended before the operation did
    matches,                 // a verify that found the panel holding the configuration
    read,                    // a read that finished
};

// The words the log stores and exports; they stay stable across versions.
QString operation_text(RecordOperation operation);
QString outcome_text(RecordOutcome outcome);
std::optional<RecordOperation> operation_from_text(const QString& text);
std::optional<RecordOutcome> outcome_from_text(const QString& text);

// The kind of line an entry's panel was reached through. A pseudo-terminal may relay a
// real panel, so it can prove, but it is named as one; a simulated panel never proves.
enum class LineKind : std::uint8_t { usb_adapter, serial_port, pseudo_terminal, simulated };
QString line_text(LineKind line);
std::optional<LineKind> line_from_text(const QString& text);

// How results and the log name the n-th panel simulated inside a program (from 1).
QString simulated_panel_name(int number);

// The serial adapter as far as the system describes it; empty or -1 where it does not.
struct Adapter {
    QString description;
    int vendor_id = -1;
    int product_id = -1;
    QString serial_number;

    // "0403:6001", or empty when the adapter is no USB device.
    QString vid_pid() const;
};

// Where the operation stopped, when it did not succeed.
struct RecordFailure {
    std::optional<int> location; // panel location, when it stopped at one
    QString function;            // "SW6 assignment", what that location holds
    QString reason;              // the status text the operator saw
};

// The source of a read's entry: the panel itself.
inline const QString kReadSource = QStringLiteral("panel");

struct Record {
    std::int64_t id = 0; // given by the log
    QDateTime time;      // UTC, with milliseconds
    QString program;     // "kvr-config", "kvr-panel"
    QString version;
    RecordOperation operation = RecordOperation::write;
    QString device;
    Adapter adapter;
    QString panel_name;
    // The file the configuration came from, and the SHA-256 (hex) of its bytes; an empty
    // path means the window's own values.
    QString source_path;
    QString source_sha256;
    QString values_digest; // values_digest() of the 25 values as programmed (or as read)
    RecordOutcome outcome = RecordOutcome::failed;
    RecordFailure failure;
    QList<std::int16_t> read_back; // the values read back, in location order, as far as read
    std::int64_t duration_ms = 0;
    // The panel was one simulated by the program; nullopt for entries of older versions that
    // did not say, which are taken as unknown and so prove nothing.
    std::optional<bool> simulated = false;
    // nullopt for entries of older versions, which did not say.
    std::optional<LineKind> line;
    // The run of one command over several ports (a gang), shared by its entries; empty for
    // a panel on its own.
    QString run;
    // Given by the log when the entry is committed: its place in the order the entries of
    // this log were made (never the clock), and the chain that shows an edit by hand: the
    // digest of the entry before it and its own, over its fields and that one.
    std::int64_t sequence = 0;
    QString previous_digest;
    QString digest;
    // Given by the log too, so the entry can travel to another station's log and to the
    // company log: its own name there (a UUID), and the station it was made on (the log's
    // station id, a UUID, with the host and user names of that log's user). The sequence
    // and the chain are that station's. Empty for entries of an older log not upgraded yet.
    QString uuid;
    QString station;
    QString station_host;
    QString station_user;

    // "user@host", or empty for an entry whose station is not known.
    QString station_text() const;

    // "window", or the source path.
    QString source_text() const;
};

// The 25 values a write programs for this configuration, in location order.
PanelValues programmed_values(const Configuration& configuration);

// The one digest of a configuration as programmed: SHA-256 (hex) of the 25 values in
// location order, written in decimal and parted by commas. Texts play no part, so a
// panel read back and the file it was written from give the same digest.
QString values_digest(const PanelValues& values);

// The SHA-256 (hex) of a file's bytes, or nothing when it cannot be read.
std::optional<QString> file_sha256(const QString& path);

// A new run id for the entries of one command over several ports.
QString new_run_id();

// Whether a write that did not finish may have changed the panel: it stopped at one of the
// configuration locations, so its first value may have been written. One that stopped
// before (no answer, a refused model code, a port that would not open) changed nothing.
bool changed_the_panel(const Record& entry);

// The failure fields for a stop at a panel location (nullopt: before any location).
RecordFailure failure_at(std::optional<int> location, const QString& reason);

} // namespace kvr::records
