#pragma once
// The window's side of the company log: pushes and reads run in a thread of their own, one
// after the other, so that the window never waits on the server; what each did comes back
// as a signal in the window's thread.

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "records/company_pull.h"

class QThread;

class CompanyLogWorker : public QObject {
    Q_OBJECT

  public:
    explicit CompanyLogWorker(QObject* parent = nullptr);
    // Waits for the work under way (its time-out is short), so that it never outlives us.
    ~CompanyLogWorker() override;

    // Pushes the entries of the log at log_path that the company log at url does not hold.
    void push(const QString& log_path, const QString& url);
    // Also pulls every station's entries into the log (a push comes first).
    void read(const QString& log_path, const QString& url);

  signals:
    // What a push to the company log at url did.
    void pushed(const QString& url, const kvr::records::CompanyPush& push);
    void read_done(const kvr::records::CompanyRead& read);

  private:
    struct Task {
        QString log_path;
        QString url;
        bool read = false;
    };
    struct Outcome {
        QString url;
        kvr::records::CompanyPush push;
        std::optional<kvr::records::CompanyRead> read;
    };
    void queue(Task task);
    void start(const Task& task);
    void finish();

    QThread* thread_ = nullptr;
    std::shared_ptr<Outcome> outcome_;
    // The next task, asked while one was under way; a read includes a push.
    std::optional<Task> next_;
};
