// The company log from the window: named once through Panel > Company log... (remembered),
// or for one run at start; every entry the window commits is pushed to it afterwards in the
// background, and so are the entries waiting at the window's start. The status box's
// tooltip says whether they were pushed or wait, and why.

#include <QFileInfo>
#include <QSettings>
#include <QTextEdit>
#include <QTimer>

#include "company_log_worker.h"
#include "form1.h"
#include "records/company_log.h"

using namespace kvr;

namespace {

const QString kCompanyLogKey = QStringLiteral("log/company");

} // namespace

void Form1::connect_company_log() {
    company_worker_ = new CompanyLogWorker(this);
    connect(company_worker_, &CompanyLogWorker::pushed, this, &Form1::show_company_push);
    connect(company_worker_, &CompanyLogWorker::read_done, this, &Form1::company_log_read);
    const QString remembered = QSettings().value(kCompanyLogKey).toString();
    if (!remembered.isEmpty()) company_log_ = remembered;
    // Once the window is up and its log is set: the start waits for nothing.
    QTimer::singleShot(0, this, &Form1::push_to_company_log);
}

void Form1::set_company_log(const std::optional<QString>& url) {
    company_log_ = url && !url->isEmpty() ? url : std::nullopt;
    if (!company_log_ && Text1->toolTip() == company_tooltip_) Text1->setToolTip({});
    push_to_company_log();
}

void Form1::choose_company_log() {
    QString url = company_log_.value_or(QString());
    if (!dialogs_.ask_text(
            this, QStringLiteral("COMPANY LOG"),
            QStringLiteral("THE COMPANY'S POSTGRESQL LOG, EVERY ENTRY IS PUSHED TO:\n"
                           "postgresql://[user@]host[:port]/dbname[?sslmode=...]\n"
                           "THE PASSWORD COMES FROM PGPASSWORD OR ~/.pgpass.\n"
                           "EMPTY: NO COMPANY LOG."),
            url))
        return;
    url = url.trimmed();
    if (const auto refusal = url.isEmpty() ? std::nullopt : records::company_url_refusal(url)) {
        dialogs_.message_box(this, *refusal, QStringLiteral("COMPANY LOG"));
        return;
    }
    QSettings settings;
    if (url.isEmpty())
        settings.remove(kCompanyLogKey);
    else
        settings.setValue(kCompanyLogKey, url);
    set_company_log(url);
}

void Form1::push_to_company_log() {
    // No log yet: nothing waits, and none is made for it.
    if (!company_log_ || !log_path_ || !QFileInfo::exists(*log_path_)) return;
    company_worker_->push(*log_path_, *company_log_);
}

void Form1::read_company_log() {
    if (!company_log_ || !log_path_) return;
    company_worker_->read(*log_path_, *company_log_);
}

void Form1::show_company_push(const QString& url, const records::CompanyPush& push) {
    // What the commissioning log itself said stays; an older word of the company log goes,
    // and so does the word of one no longer used.
    const QString shown = Text1->toolTip();
    if (company_log_ != url || (!shown.isEmpty() && shown != company_tooltip_)) return;
    company_tooltip_ = records::company_push_text(url, push);
    Text1->setToolTip(company_tooltip_);
}
