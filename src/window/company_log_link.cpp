// The window's company log: every entry the window commits is pushed to it afterwards in
// the background, and so are the entries waiting at the window's start.

#include <QFileInfo>
#include <QSettings>
#include <QTextEdit>
#include <QTimer>

#include "company_log_link.h"
#include "company_log_worker.h"
#include "form1.h"
#include "records/company_log.h"

using namespace kvr;

namespace {

const QString kCompanyLogKey = QStringLiteral("log/company");

} // namespace

CompanyLogLink::CompanyLogLink(const std::optional<QString>& commissioning_log, QTextEdit& status,
                               QObject* parent)
    : QObject(parent), commissioning_log_(commissioning_log), status_(status),
      worker_(new CompanyLogWorker(this)) {
    connect(worker_, &CompanyLogWorker::pushed, this, &CompanyLogLink::show_push);
    connect(worker_, &CompanyLogWorker::read_done, this, &CompanyLogLink::read_done);
    const QString remembered = QSettings().value(kCompanyLogKey).toString();
    if (!remembered.isEmpty()) url_ = remembered;
    // Once the window is up and its log is set: the start waits for nothing.
    QTimer::singleShot(0, this, &CompanyLogLink::push);
}

void CompanyLogLink::set_url(const std::optional<QString>& url) {
    url_ = url && !url->isEmpty() ? url : std::nullopt;
    if (!url_ && status_.toolTip() == tooltip_) status_.setToolTip({});
    push();
}

void CompanyLogLink::choose(Dialogs& dialogs, QWidget* parent) {
    QString url = url_.value_or(QString());
    if (!dialogs.ask_text(parent, QStringLiteral("COMPANY LOG"),
                          QStringLiteral("THE COMPANY'S POSTGRESQL LOG, EVERY ENTRY IS PUSHED TO:\n"
                                         "postgresql://[user@]host[:port]/dbname[?sslmode=...]\n"
                                         "THE PASSWORD COMES FROM PGPASSWORD OR ~/.pgpass.\n"
                                         "EMPTY: NO COMPANY LOG."),
                          url))
        return;
    url = url.trimmed();
    if (const auto refusal = url.isEmpty() ? std::nullopt : records::company_url_refusal(url)) {
        dialogs.message_box(parent, *refusal, QStringLiteral("COMPANY LOG"));
        return;
    }
    QSettings settings;
    if (url.isEmpty())
        settings.remove(kCompanyLogKey);
    else
        settings.setValue(kCompanyLogKey, url);
    set_url(url);
}

void CompanyLogLink::push() {
    // No log yet: nothing waits, and none is made for it.
    if (!url_ || !commissioning_log_ || !QFileInfo::exists(*commissioning_log_)) return;
    worker_->push(*commissioning_log_, *url_);
}

void CompanyLogLink::read() {
    if (!url_ || !commissioning_log_) return;
    worker_->read(*commissioning_log_, *url_);
}

void CompanyLogLink::show_push(const QString& url, const records::CompanyPush& push) {
    // What the commissioning log itself said stays; an older word of the company log goes,
    // and so does the word of one no longer used.
    const QString shown = status_.toolTip();
    if (url_ != url || (!shown.isEmpty() && shown != tooltip_)) return;
    tooltip_ = records::company_push_text(url, push);
    status_.setToolTip(tooltip_);
}

void Form1::choose_company_log() {
    company_log_->choose(dialogs_, this);
}
