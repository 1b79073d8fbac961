// The words stored for operations and outcomes, and the digests that tie an entry to a
// configuration and a file.

#include "records/record.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringList>
#include <QUuid>
#include <algorithm>
#include <array>
#include <utility>

namespace kvr::records {
namespace {

constexpr std::array<std::pair<RecordOperation, const char*>, 3> kOperations{{
    {RecordOperation::write, "write"},
    {RecordOperation::verify, "verify"},
    {RecordOperation::read, "read"},
}};

constexpr std::array<std::pair<RecordOutcome, const char*>, 6> kOutcomes{{
    {RecordOutcome::programmed_and_verified, "programmed and verified"},
    {RecordOutcome::failed, "failed"},
    {RecordOutcome::differs, "differs"},
    {RecordOutcome::interrupted, "interrupted"},
    {RecordOutcome::matches, "matches"},
    {RecordOutcome::read, "read"},
}};

constexpr std::array<std::pair<LineKind, const char*>, 4> kLines{{
    {LineKind::usb_adapter, "usb adapter"},
    {LineKind::serial_port, "serial port"},
    {LineKind::pseudo_terminal, "pseudo-terminal"},
    {LineKind::simulated, "simulated"},
}};

template <typename Enum, std::size_t N>
QString text_of(const std::array<std::pair<Enum, const char*>, N>& table, Enum value) {
    const auto row = std::ranges::find(table, value, &std::pair<Enum, const char*>::first);
    return QString::fromLatin1(row->second);
}

template <typename Enum, std::size_t N>
std::optional<Enum> value_of(const std::array<std::pair<Enum, const char*>, N>& table,
                             const QString& text) {
    for (const auto& [value, name] : table)
        if (text == QLatin1String(name)) return value;
    return std::nullopt;
}

} // namespace

QString operation_text(RecordOperation operation) {
    return text_of(kOperations, operation);
}
QString outcome_text(RecordOutcome outcome) {
    return text_of(kOutcomes, outcome);
}
std::optional<RecordOperation> operation_from_text(const QString& text) {
    return value_of(kOperations, text);
}
std::optional<RecordOutcome> outcome_from_text(const QString& text) {
    return value_of(kOutcomes, text);
}

QString line_text(LineKind line) {
    return text_of(kLines, line);
}
std::optional<LineKind> line_from_text(const QString& text) {
    return value_of(kLines, text);
}

QString simulated_panel_name(int number) {
    return QStringLiteral("SIMULATED PANEL %1").arg(number);
}

QString Adapter::vid_pid() const {
    if (vendor_id < 0 || product_id < 0) return {};
    return QStringLiteral("%1:%2")
        .arg(vendor_id, 4, 16, QLatin1Char('0'))
        .arg(product_id, 4, 16, QLatin1Char('0'));
}

QString Record::source_text() const {
    return source_path.isEmpty() ? QStringLiteral("window") : source_path;
}

PanelValues programmed_values(const Configuration& configuration) {
    const Configuration programmed = as_programmed(configuration).configuration;
    PanelValues values{};
    for (const Location& location : configuration_locations())
        values[location.number] = value_at(programmed, location);
    return values;
}

QString values_digest(const PanelValues& values) {
    QStringList numbers;
    for (const std::int16_t value : values)
        numbers << QString::number(value);
    return QString::fromLatin1(
        QCryptographicHash::hash(numbers.join(u',').toLatin1(), QCryptographicHash::Sha256)
            .toHex());
}

std::optional<QString> file_sha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return std::nullopt;
    return QString::fromLatin1(hash.result().toHex());
}

QString new_run_id() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool changed_the_panel(const Record& entry) {
    return entry.failure.location && find_location(*entry.failure.location) &&
           *entry.failure.location != model_code_location;
}

RecordFailure failure_at(std::optional<int> location, const QString& reason) {
    RecordFailure failure{location, {}, reason};
    if (location)
        if (const Location* known = find_location(*location))
            failure.function = QString::fromLatin1(known->holds.data(), known->holds.size());
    return failure;
}

QString Record::station_text() const {
    if (station_user.isEmpty() && station_host.isEmpty()) return {};
    return station_user + u'@' + station_host;
}

} // namespace kvr::records
