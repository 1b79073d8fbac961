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
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "records/log_chain.h"
#include "records/record.h"

namespace kvr::records {

// Where a committed entry stands with the company log.
enum class CompanyState : std::uint8_t {
    off,     // no company log is named
    pushed,  // the company log holds it
    waiting, // it waits to be pushed (by the next operation, log sync or the window's start)
};

struct LogResult {
    bool logged = false;
    QString warning; // why not, when the log is on but the entry could not be committed
    CompanyState company = CompanyState::off;
    QString company_reason; // why it waits
};

// What pushing the waiting entries to the company log did.
struct CompanyPush {
    CompanyState state = CompanyState::off;
    QString reason; // why the entries wait
};

// What log sync did with the company log.
struct CompanySync {
    QString failure;         // the company log could not be reached or refused: nothing more
    std::int64_t pushed = 0; // entries of this log the company log did not hold
    std::int64_t pulled = 0; // entries of other stations this log did not hold
    QStringList altered;     // entries this log holds otherwise than the company log
};

// How much of the company log a sync reads: every entry, each compared with this log's copy
// (log sync); or those after the entries this log holds of each station from the first
// without a gap, as long as the newest of them is the company log's too (the pull before a
// command answers: a copy edited since is found by its chain, or the company log's
// differing newest entry has that station read whole).
enum class CompanyPull : std::uint8_t { whole, new_entries };

// Each station's newest entry a log holds: its sequence and digest.
using StationHeads = std::map<QString, std::pair<qlonglong, QString>>;

// The station a log's own entries are made on: made once with the log, which is the
// user's on that machine.
struct Station {
    QString id; // a UUID
    QString host;
    QString user;
};

struct HistoryFilter {
    QString panel_name; // without regard to case; empty for every panel
    QString device;     // exact; empty for every device
    QDateTime since;    // invalid for no limit
    int limit = 0;      // 0 for every matching entry
};

// What merging another station's log file into this one did.
struct Merge {
    QString refusal;        // the file is no log of ours, or cannot be read: nothing was merged
    QString warning;        // this log could not be written: nothing was merged
    std::int64_t added = 0; // entries this log did not hold
    std::int64_t held = 0;  // entries it held already, as they are
    // Entries this log holds otherwise than the file does (one uuid, or one place in a
    // station's order, with other fields): left as this log has them, and named.
    QStringList held_differently;
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

    // The company log (a PostgreSQL URL) every entry committed here is pushed to after, with
    // a short time-out; nullopt for none.
    void set_company_log(std::optional<QString> url) { company_ = std::move(url); }
    // Pushes every entry the company log does not hold yet, then pulls the entries it holds
    // that this log does not, and compares the rest: an entry held otherwise here than there
    // is altered, whatever its chain says. Interrupted at any point, a second run finishes
    // the work: nothing is lost and nothing held twice.
    CompanySync sync_company(int timeout_seconds, CompanyPull pull = CompanyPull::whole);
    // Pushes every entry the company log does not hold yet, and pulls nothing.
    CompanyPush push_company(int timeout_seconds);
    // When the company log named here was last read whole (by sync_company); nullopt when
    // never, or when the log cannot be read.
    std::optional<QDateTime> company_read_at();

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
    // Merges the entries of another log file (read only, never changed) into this one: each
    // keeps its uuid, station, sequence and chain; an entry held already is not added again,
    // so merging twice adds nothing.
    Merge merge_from(const QString& other_path);

    // Walks each station's chain and finds every entry altered, removed or inserted by hand;
    // in a log of this station's entries only, from the entry at sequence from (1: the
    // whole log) to the newest.
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
    std::optional<QString> make_station();
    bool several_stations();
    std::optional<QString> load_station();
    std::optional<QString> name_existing_entries();
    // Adds the entries this log does not hold, inside the caller's transaction; counts those
    // held as they are and names those held otherwise.
    // witnessed: the entries are the company log's, and one held otherwise is altered here.
    std::optional<QString> add_entries(const std::vector<Record>& entries, Merge& merge,
                                       bool witnessed = false);
    std::optional<QString> pull(class CompanyConnection& connection, CompanySync& sync,
                                CompanyPull extent);
    // The stations this log holds from the first entry to the newest without a gap, with the
    // newest's sequence and digest; those whose newest the company log holds otherwise are
    // left out, to be read whole.
    std::optional<QString> complete_heads(class CompanyConnection& connection, StationHeads& heads);
    // Pushes the entries of this log the company log has not had; nullopt, or why not.
    std::optional<QString> push_waiting(class CompanyConnection& connection, std::int64_t& pushed);
    std::optional<QString> prepare_company_tables();

    std::optional<QString> path_;
    std::optional<QString> company_;
    QString connection_;
    bool open_ = false;
    Access access_ = Access::read;
    int version_ = 0; // of the open log's schema
    Station station_; // of the log opened to write
};

} // namespace kvr::records
