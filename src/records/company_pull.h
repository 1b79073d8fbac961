#pragma once
// Reading the company log before a question is answered from the local log: history,
// status, the sheet, the handover pack and the site window pull first, with a short
// time-out, and go on with what is known locally when the company log cannot be reached.

#include <QDateTime>
#include <QString>
#include <optional>

#include "records/commissioning_log.h"
#include "records/company_log.h"

namespace kvr::records {

struct CompanyRead {
    bool named = false;   // a company log is named and the log is on; if not, nothing is set
    bool reached = false; // this pull read it whole
    QString url;          // as the texts show it
    QString failure;      // why it was not reached
    // When it was last read whole: now when reached; nullopt when never.
    std::optional<QDateTime> last_read;
};

// Pushes what waits and pulls every station's entries into the log (its company log set);
// never fails the caller: an unreachable company log is said in failure.
CompanyRead pull_first(CommissioningLog& log, const std::optional<QString>& company_log,
                       int timeout_seconds = kCompanyPushTimeoutSeconds);

// Up to when the company log was read, as the handover pack's index says it:
// "COMPANY LOG READ 2026-12-09 14:02 UTC", or "COMPANY LOG NOT REACHED: LAST READ ...".
// Empty when no company log is named.
QString company_read_line(const CompanyRead& read);

// Where the entries stand with the company log at url after a push, as the window's status
// tooltip says it.
QString company_push_text(const QString& url, const CompanyPush& push);

// What the caller says when the company log was not reached: going on with the local log.
QString company_unreached_text(const CompanyRead& read);

} // namespace kvr::records
