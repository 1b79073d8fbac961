#include "failure_advice.h"

#include "panel/memory_map.h"
#include "panel/protocol.h"

using namespace kvr;

QString failure_advice(const ConversationResult& result, std::chrono::milliseconds reply_wait) {
    if (result.outcome == Outcome::mismatch)
        return QStringLiteral("THE SWITCH PANEL GAVE MODEL CODE %1; THIS PROGRAM TAKES %2 AND %3")
            .arg(result.model_code)
            .arg(accepted_model_codes[0])
            .arg(accepted_model_codes[1]);
    if (result.lateness.isEmpty()) return {};
    if (reply_wait >= longest_reply_wait)
        return result.lateness +
               QStringLiteral("\nTHE LONGEST WAIT IS SET ALREADY: CHECK THE CABLE AND THE ADAPTER");
    return result.lateness + QStringLiteral("\nA SLOW PANEL OR ADAPTER MAY NEED A LONGER WAIT: "
                                            "RAISE PANEL > LINE TIMING");
}
