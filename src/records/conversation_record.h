#pragma once
// From one conversation with a panel to its entry in the commissioning log. The window and
// kvr-panel follow their conversations and build their entries here, so an entry means the
// same whichever of them programmed the panel.

#include <QList>
#include <QString>
#include <chrono>
#include <cstdint>

#include "panel/memory_map.h"
#include "panel/panel_conversation.h"
#include "panel/serial_ports.h"
#include "records/record.h"

namespace kvr::records {

// What one conversation came to, as far as its signals tell.
struct ConversationEnd {
    QString device; // as results name it: the port, or "SIMULATED PANEL 2"
    // A panel simulated by the program itself, or by kvr-panel-sim: never proof.
    bool simulated = false;
    bool pseudo_terminal = false; // the line is one, perhaps a relay to a real panel
    QString run;                  // shared by the ports of one command over several
    Outcome outcome = Outcome::bad_data;
    QString final_text;          // the last status in red or green
    QString problem;             // the transaction's complaint before a bad-data end
    QString lateness;            // StatusTexts::answered_late when lateness caused the end
    bool identified = false;     // the panel answered and its model code was accepted
    int locations_done = 0;      // of the 25 configuration locations
    std::int16_t model_code = 0; // the model code read (a refused panel's says why)
    // The first locations_done values, in location order: as read, or as written and read
    // back equal (the caller fills a write's, see written_back).
    PanelValues values{};
    std::chrono::milliseconds duration{};

    bool succeeded() const { return outcome == Outcome::succeeded; }
    // The complaint and the lateness behind a failure, "COMMUNICATIONS CORRUPTED - THE
    // SWITCH PANEL ANSWERED LATE (...)", or empty.
    QString why() const;
    // The location a failed or interrupted conversation stopped at, or nullptr.
    const Location* stopped_at() const;
    // Each location a write finished was written with its value and read back equal.
    void written_back(const PanelConversation::ValueSource& written);
};

// What the line of device (the path the port opens) is, told before it is opened: a
// simulated panel's when simulated_inside says so or kvr-panel-sim serves it, a
// pseudo-terminal. Sets name as the device results and the log name it.
void note_line(ConversationEnd& end, const QString& name, const QString& device,
               bool simulated_inside);

// Fills end as the conversation reports, for as long as context lives; duration is the
// caller's, as only it knows when the operation began.
void follow(PanelConversation& conversation, ConversationEnd& end, QObject* context);

// What the entries of one operation share.
struct LoggedOperation {
    RecordOperation operation = RecordOperation::write;
    QString panel_name;
    QString source_path; // absolute; empty for the window's own values
    QString source_sha256;
    // Of the values programmed or compared against; empty: the values as read.
    QString values_digest;
};

// The adapter behind a port as the system lists it; nothing for a port it does not list.
Adapter adapter_of(const QString& device, const QList<PortDescription>& present);

// The entry for one conversation, stamped with this program's name and version. differs
// tells whether a verify found the panel holding something else.
Record conversation_record(const LoggedOperation& operation, const ConversationEnd& end,
                           bool differs, const QList<PortDescription>& present);

} // namespace kvr::records
