#include "cli/port_result.h"

#include <QJsonArray>
#include <iterator>

#include "cli/output.h"

namespace kvr::cli {

namespace {

// The outcomes as JSON names them; stable, as scripts match on them.
const char* const kOutcomeNames[] = {"succeeded", "port_failed", "refused",    "no_response",
                                     "mismatch",  "bad_data",    "interrupted"};
static_assert(std::size(kOutcomeNames) == std::size_t(Outcome::interrupted) + 1);

QString holds(const Location& location) {
    return QLatin1String(location.holds.data(), qsizetype(location.holds.size()));
}

} // namespace

QString PortResult::line() const {
    QString text = device + QLatin1String(": ") + final_text;
    if (outcome == Outcome::mismatch)
        return text + QStringLiteral(" (model code %1)").arg(model_code);
    // Lateness is the one failure a longer wait may cure.
    const QString advice = lateness.isEmpty()
                               ? QString()
                               : QStringLiteral("; a slow panel or adapter may need a longer "
                                                "wait: raise --reply-wait (up to %1 ms)")
                                     .arg(longest_reply_wait.count());
    if (outcome != Outcome::bad_data)
        return lateness.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(lateness) + advice;
    const Location& at = *stopped_at;
    text += QStringLiteral(" (location %1, %2").arg(at.number).arg(holds(at));
    if (const QString reason = why(); !reason.isEmpty()) text += QLatin1String(": ") + reason;
    return text + u')' + advice;
}

QJsonObject PortResult::json() const {
    const Location* at = stopped_at;
    QJsonArray read_back;
    const auto locations = configuration_locations();
    for (int i = 0; i < locations_done && i < int(locations.size()); ++i)
        read_back.append(QJsonObject{{"location", locations[i].number},
                                     {"function", holds(locations[i])},
                                     {"value", values[std::size_t(i)]}});
    return QJsonObject{
        {"device", device},
        {"outcome", QLatin1String(kOutcomeNames[std::size_t(outcome)])},
        {"status", final_text},
        {"location", at ? QJsonValue(at->number) : QJsonValue()},
        {"function", at ? QJsonValue(holds(*at)) : QJsonValue()},
        {"reason", or_null(why())},
        {"model_code", outcome == Outcome::mismatch ? QJsonValue(model_code) : QJsonValue()},
        {"duration_ms", qint64(duration.count())},
        {"values", read_back},
        {"logged", logged},
        {"company_log",
         company == records::CompanyState::off
             ? QJsonValue()
             : QJsonObject{{"state",
                            company == records::CompanyState::pushed ? "pushed" : "waiting"},
                           {"reason", or_null(company_reason)}}},
    };
}

} // namespace kvr::cli
