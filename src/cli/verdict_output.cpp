#include "cli/verdict_output.h"

#include "configuration/windows1252.h"

namespace kvr::cli {

QString verdict_line(const QString& file, const records::Verdict& verdict) {
    return QStringLiteral("%1: %2 - %3")
        .arg(file, records::status_words(verdict.status), verdict.reason);
}

QJsonObject verdict_json(const QString& file, const std::optional<Configuration>& configuration,
                         const records::Verdict& verdict) {
    const auto& entry = verdict.entry;
    return {
        {"file", file},
        {"panel_name", configuration ? QJsonValue(QString::fromStdU16String(
                                           from_windows1252(configuration->panel_name)))
                                     : QJsonValue()},
        {"status", records::status_key(verdict.status)},
        {"reason", verdict.reason},
        {"entry_id", entry ? QJsonValue(qint64(entry->id)) : QJsonValue()},
        {"entry_time",
         entry ? QJsonValue(entry->time.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue()},
    };
}

} // namespace kvr::cli
