#pragma once
// What one port's conversation came to: one value that the printers render as a line or
// as JSON, and that a recorder can keep as it is.

#include <QJsonObject>
#include <QString>

#include "records/commissioning_log.h"
#include "records/conversation_record.h"

namespace kvr::cli {

// A conversation's end with what kvr-panel makes of it.
struct PortResult : records::ConversationEnd {
    bool logged = false; // its entry was committed to the commissioning log
    // Pushed to the company log, or waiting (and why); off when none is named.
    records::CompanyState company = records::CompanyState::off;
    QString company_reason;

    // "DEVICE: FINAL TEXT", with where and why a failed port stopped.
    QString line() const;
    // {"device", "outcome", "status", "location", "function", "reason", "model_code",
    //  "duration_ms", "values": [{"location", "function", "value"}, ...], "logged",
    //  "company_log": {"state": "pushed" | "waiting", "reason"} or null}
    QJsonObject json() const;
};

} // namespace kvr::cli
