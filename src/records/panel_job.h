#pragma once
// One operation asked of panels, from its start to its entries in the commissioning log:
// the window, kvr-panel's write, verify and read, the gang and the fixture all start their
// conversations, compare what was read and commit the entries here, so each says the same
// whichever of them ran it.

#include <QString>
#include <optional>
#include <span>

#include "configuration/configuration.h"
#include "panel/panel_conversation.h"
#include "records/commissioning_log.h"
#include "records/conversation_record.h"

namespace kvr::records {

struct PanelJob {
    LoggedOperation logged;
    // What a write programs, location by location; a read or a verify has none.
    PanelConversation::ValueSource values;
    // What a verify compares the panel with, as a write would program it.
    std::optional<Configuration> compared;
    // The handshake and the model code only (ports --probe): nothing programmed or logged.
    bool identify_only = false;

    // Starts the job's conversation: a write, the read a verify or a read takes, or the
    // identification.
    void start(PanelConversation& conversation) const;
    // The locations where a verified panel holds something else; none when nothing was read.
    std::vector<int> differing(const ConversationResult& result) const;
    // Builds the entry of each end and commits them to the log at path (none: not logged) in
    // one call, all or none, and then pushes them to the company log when one is named. An
    // identification is never logged.
    LogResult commit(const std::optional<QString>& path, const std::optional<QString>& company_log,
                     std::span<const ConversationEnd* const> ends) const;
};

} // namespace kvr::records
