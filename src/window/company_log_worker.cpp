#include "company_log_worker.h"

#include <QThread>

using namespace kvr;

CompanyLogWorker::CompanyLogWorker(QObject* parent) : QObject(parent) {}

CompanyLogWorker::~CompanyLogWorker() {
    if (!thread_) return;
    thread_->wait();
    delete thread_;
}

void CompanyLogWorker::push(const QString& log_path, const QString& url) {
    queue({log_path, url, false});
}

void CompanyLogWorker::read(const QString& log_path, const QString& url) {
    queue({log_path, url, true});
}

void CompanyLogWorker::queue(Task task) {
    if (!thread_) {
        start(task);
        return;
    }
    // One push or read waiting is enough: it takes every entry there is by then.
    if (next_ && next_->log_path == task.log_path && next_->url == task.url)
        task.read = task.read || next_->read;
    next_ = std::move(task);
}

void CompanyLogWorker::start(const Task& task) {
    outcome_ = std::make_shared<Outcome>();
    outcome_->url = task.url;
    // The thread's own log and connections, made and closed in it.
    thread_ = QThread::create([task, outcome = outcome_] {
        records::CommissioningLog log(task.log_path);
        if (task.read) {
            outcome->read = records::pull_first(log, task.url);
            outcome->push = {outcome->read->reached ? records::CompanyState::pushed
                                                    : records::CompanyState::waiting,
                             outcome->read->failure};
        } else {
            log.set_company_log(task.url);
            outcome->push = log.push_company(records::kCompanyPushTimeoutSeconds);
        }
    });
    connect(thread_, &QThread::finished, this, &CompanyLogWorker::finish);
    thread_->start();
}

void CompanyLogWorker::finish() {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    const std::shared_ptr<Outcome> outcome = std::move(outcome_);
    if (next_) {
        const Task task = *std::exchange(next_, std::nullopt);
        start(task);
    }
    emit pushed(outcome->url, outcome->push);
    if (outcome->read) emit read_done(*outcome->read);
}
