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
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "records/log_chain.h"
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
    std::vector<Record> entries; // newest first, by sequence
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

    // Visits the entries of one panel name (exact, case and all), newest first by sequence,
    // while visit returns true. The reason the log cannot be read, or nullopt.
    using Visit = std::function<bool(const Record&)>;
    std::optional<QString> newest_first(const QString& panel_name, const Visit& visit);
    // The entries of one run with this panel name.
    History run_entries(const QString& run, const QString& panel_name);
    // Walks the chain from the entry at sequence from (1: the whole log) to the newest,
    // and finds every entry altered, removed or inserted by hand.
    ChainCheck check_chain(std::int64_t from = 1);

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
    // Runs a select of every column (id first, then record_columns()) and hands each row
    // to visit while it returns true; nullopt, or why the log could not be read.
    std::optional<QString> select(const QString& where, const QVariantList& values,
                                  const QString& order,
                                  const std::function<bool(const QSqlQuery&)>& visit);
    // No log is kept, or none is there yet: nothing to read, and nothing wrong.
    bool absent() const;
    // Opens the log to read (it is not absent): nullopt, or why it cannot be read.
    std::optional<QString> open_to_read();
    QString sequence_column() const;
    std::optional<QString> chain_existing_entries();

    std::optional<QString> path_;
    QString connection_;
    bool open_ = false;
    Access access_ = Access::read;
    int version_ = 0; // of the open log's schema
};

} // namespace kvr::records
