#include "records/company_pull.h"

namespace kvr::records {
namespace {

QString minute_utc(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

QString last_read_text(const CompanyRead& read) {
    return read.last_read ? QStringLiteral("LAST READ ") + minute_utc(*read.last_read)
                          : QStringLiteral("NEVER READ BEFORE");
}

} // namespace

CompanyRead pull_first(CommissioningLog& log, const std::optional<QString>& company_log,
                       int timeout_seconds) {
    CompanyRead read;
    if (!company_log || !log.path()) return read;
    read.named = true;
    read.url = company_log_text(*company_log);
    log.set_company_log(company_log);
    const CompanySync sync = log.sync_company(timeout_seconds, CompanyPull::new_entries);
    read.reached = sync.failure.isEmpty();
    read.failure = sync.failure;
    read.last_read = log.company_read_at();
    return read;
}

QString company_read_line(const CompanyRead& read) {
    if (!read.named) return {};
    if (read.reached && read.last_read)
        return QStringLiteral("COMPANY LOG READ ") + minute_utc(*read.last_read);
    return QStringLiteral("COMPANY LOG NOT REACHED: ") + last_read_text(read);
}

QString company_unreached_text(const CompanyRead& read) {
    return QStringLiteral("company log not reached, going on with the entries this log holds "
                          "(%1): %2")
        .arg(last_read_text(read).toLower(), read.failure);
}

QString company_push_text(const QString& url, const CompanyPush& push) {
    const QString shown = company_log_text(url);
    switch (push.state) {
    case CompanyState::pushed:
        return QStringLiteral("Pushed to the company log %1: it holds every entry of this log")
            .arg(shown);
    case CompanyState::waiting:
        return QStringLiteral("Waits to be pushed to the company log %1 (by the next operation or "
                              "the window's next start): %2")
            .arg(shown, push.reason);
    case CompanyState::off:
        break;
    }
    return {};
}

} // namespace kvr::records
