#pragma once
// The commissioning log: every write, verify and read of a panel, one entry per port, in an
// SQLite database (Qt SQL). Entries are short transactions on a log in write-ahead mode
// with a busy timeout, so a gang of ports, several kvr-panel processes and the window can
// record at once without losing an entry or waiting long on one another.
//
// The log never fails an operation: a log that cannot be opened or written (a full disk, a
// read-only file, a file that is not a database) gives a warning and "not logged", and the
// operation goes on. A file that is not an SQLite database is never opened, so never
// overwritten.
//
// A log object holds one database connection and is used from the thread that made it;
// each thread (and each process) makes its own.

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "records/record.h"

namespace kvr::records {

struct LogResult {
    bool logged = false;
    QString warning; // why not, when the log is on but the entry could not be committed
};

struct HistoryFilter {
    QString panel_name; // exact; empty for every panel
    QString device;     // exact; empty for every device
    QDateTime since;    // invalid for no limit
    int limit = 0;      // 0 for every matching entry
};

// What a query found, or why the log could not be read.
struct History {
    std::vector<Record> entries; // newest first
    QString warning;
};

class CommissioningLog {
  public:
    // nullopt turns logging off: record() then reports "not logged" without a warning and
    // queries find nothing.
    explicit CommissioningLog(std::optional<QString> path);
    ~CommissioningLog();
    CommissioningLog(const CommissioningLog&) = delete;
    CommissioningLog& operator=(const CommissioningLog&) = delete;

    const std::optional<QString>& path() const { return path_; }

    // Commits the entry before it returns; on success sets its id, and its time to now
    // when it had none.
    LogResult record(Record& entry);
    // Several entries in one transaction, all or none (filling a log quickly).
    LogResult record_all(std::vector<Record>& entries);

    History entries(const HistoryFilter& filter);
    // The newest entry with this values digest; only entries that prove the panel held the
    // configuration (programmed and verified, or a verify that matched) when verified_only.
    std::optional<Record> latest_with_digest(const QString& digest, bool verified_only,
                                             QString* warning = nullptr);

  private:
    // Opens the connection once: nullopt when open, else the reason it cannot be.
    std::optional<QString> open();
    std::optional<QString> prepare_schema();
    QString warning(const QString& reason) const;
    History query(const QString& where, const QVariantList& values, int limit);

    std::optional<QString> path_;
    QString connection_;
    bool open_ = false;
};

} // namespace kvr::records
