#pragma once
// What one port's conversation came to: one value that the printers render as a line or
// as JSON, and that a recorder can keep as it is.

#include <QJsonObject>
#include <QString>

#include "records/conversation_record.h"

namespace kvr::cli {

// A conversation's end with what kvr-panel makes of it.
struct PortResult : records::ConversationEnd {
    bool logged = false; // its entry was committed to the commissioning log

    // "DEVICE: FINAL TEXT", with where and why a failed port stopped.
    QString line() const;
    // {"device", "outcome", "status", "location", "function", "reason", "model_code",
    //  "duration_ms", "values": [{"location", "function", "value"}, ...], "logged"}
    QJsonObject json() const;
};

} // namespace kvr::cli
