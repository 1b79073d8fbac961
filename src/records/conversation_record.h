#pragma once
// From one conversation with a panel to its entry in the commissioning log. The window and
// kvr-panel build their entries here from the conversation's result, so an entry means the
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

// What one conversation came to, with the line it was on and how long it took.
struct ConversationEnd : ConversationResult {
    QString device; // as results name it: the port, or "SIMULATED PANEL 2"
    // A panel simulated by the program itself, or by kvr-panel-sim: never proof.
    bool simulated = false;
    bool pseudo_terminal = false; // the line is one, perhaps a relay to a real panel
    QString run;                  // shared by the ports of one command over several
    std::chrono::milliseconds duration{};

    // Takes the conversation's result, keeping the line and the duration.
    void take(const ConversationResult& result) { ConversationResult::operator=(result); }
};

// What the line of device (the path the port opens) is, told before it is opened: a
// simulated panel's when simulated_inside says so or kvr-panel-sim serves it, a
// pseudo-terminal. Sets name as the device results and the log name it.
void note_line(ConversationEnd& end, const QString& name, const QString& device,
               bool simulated_inside);

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
