#pragma once
// The commissioning log: every write, verify and read of a panel, one entry per port, in an
// SQLite database (Qt SQL). Entries are short transactions on a log in write-ahead mode
// with a busy timeout, so a gang of ports, several kvr-panel processes and the window can
// record at once without losing an entry or waiting long on one another.
//
// The log never fails an operation: a log that cannot be opened or written (a full disk, a
// read-only file, a file that is not a database) gives a warning and "not logged", and the
// operation goes on. A file that is not the log (no SQLite database, or another program's
// one, known by the application id in its header) is never opened, so never changed.
//
// A log object holds one database connection and is used from the thread that made it;
// each thread (and each process) makes its own.

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "records/record.h"

namespace kvr::records {

struct LogResult {
    bool logged = false;
    QString warning; // why not, when the log is on but the entry could not be committed
};

struct HistoryFilter {
    QString panel_name; // without regard to case; empty for every panel
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

    // Reading opens the log read-only: it never writes, changes the journal or makes a
    // file, so a log that cannot be written is read as it is.
    History entries(const HistoryFilter& filter);
    // The newest entries (at most limit; 0 for all) with this values digest that keep
    // accepts (every one when it is empty).
    History with_digest(const QString& digest, int limit,
                        const std::function<bool(const Record&)>& keep = {});

  private:
    enum class Access : std::uint8_t { read, write };
    // Opens the connection for what is asked (a read-only one is opened again to write):
    // nullopt when open, else the reason it cannot be.
    std::optional<QString> open(Access access);
    std::optional<QString> open_for_reading();
    std::optional<QString> open_for_writing();
    void close();
    std::optional<QString> prepare_schema();
    QString warning(const QString& reason) const;
    QString unreadable(const QString& reason) const;
    History query(const QString& where, const QVariantList& values, int limit,
                  const std::function<bool(const Record&)>& keep);

    std::optional<QString> path_;
    QString connection_;
    bool open_ = false;
    Access access_ = Access::read;
    int version_ = 0; // of the open log's schema
};

} // namespace kvr::records
