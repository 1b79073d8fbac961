#pragma once
// What one port's conversation came to: one value that the printers render as a line or
// as JSON, and that a recorder can keep as it is.

#include <QJsonObject>
#include <QString>
#include <chrono>
#include <cstdint>

#include "panel/memory_map.h"
#include "panel/panel_conversation.h"

namespace kvr::cli {

struct PortResult {
    QString device; // as results name it: the port, or "SIMULATED PANEL 2"
    Outcome outcome = Outcome::bad_data;
    QString final_text;          // the last status in red or green: the window's final text
    QString problem;             // the transaction's complaint before a bad-data end
    bool identified = false;     // the panel answered and its model code was accepted
    int locations_done = 0;      // of the 25 configuration locations
    std::int16_t model_code = 0; // a refused panel's model code
    // The first locations_done values, in location order: as read, or as written and read
    // back equal.
    PanelValues values{};
    std::chrono::milliseconds duration{};
    bool logged = false; // its entry was committed to the commissioning log

    bool succeeded() const { return outcome == Outcome::succeeded; }
    // The location a failed or interrupted port stopped at, or nullptr.
    const Location* stopped_at() const;
    // "DEVICE: FINAL TEXT", with where and why a failed port stopped.
    QString line() const;
    // {"device", "outcome", "status", "location", "function", "reason", "model_code",
    //  "duration_ms", "values": [{"location", "function", "value"}, ...], "logged"}
    QJsonObject json() const;
};

} // namespace kvr::cli
