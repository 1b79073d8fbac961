#pragma once
// Runs one conversation per port, all at once on the one thread: each port waits on its
// own line, none holds up another, and a port that fails stops only its own panel. The
// wait for all of them is the application's event loop. Ctrl-C or SIGTERM stops every
// port between two transactions.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "cli/invocation.h"
#include "cli/port_result.h"
#include "cli/progress_board.h"
#include "panel/line_trace.h"
#include "panel/panel_conversation.h"
#include "records/panel_job.h"

namespace kvr::sim {
class PtyHost;
}

namespace kvr::cli {

struct SetupFailure {
    ExitCode code;
    QString message;
};

// What a run of every port came to.
struct GangRun {
    std::vector<PortResult> results; // one per port, in the order the ports were named
    int signal = 0;                  // the signal taken while the ports ran, or 0
    QString trace_failure;           // why the trace stopped being written, or empty

    // Whether the signal in fact stopped a port: one that came as the last port finished
    // changes nothing that already happened.
    bool stopped_by_signal() const;
    // The interruption, then a trace not written, then a failed port.
    ExitCode exit_code() const;
};

class PanelGang {
  public:
    PanelGang();
    ~PanelGang();
    PanelGang(const PanelGang&) = delete;
    PanelGang& operator=(const PanelGang&) = delete;

    // Takes the invocation's ports or starts its simulated panels, and opens its trace.
    std::optional<SetupFailure> prepare(const Invocation& invocation);
    // The panels as results name them, the devices they are on, and what every
    // conversation on them is given.
    const QStringList& names() const { return names_; }
    const QStringList& devices() const { return devices_; }
    LineTrace* trace() const { return trace_.get(); }
    // Whether the index-th panel is one simulated inside the program.
    bool simulated_inside(qsizetype index) const {
        return index >= devices_.size() - qsizetype(simulated_.size());
    }
    std::chrono::milliseconds reply_wait() const { return reply_wait_; }

    // Starts every port's conversation as the job says and returns once all have finished,
    // each port's entry committed to the invocation's log. With finished, each port's entry
    // is committed the moment that port finishes and its result then given to finished;
    // without, all are committed together at the end, in one transaction. SIGINT and
    // SIGTERM stop them, through the Interruption the caller holds until its results are
    // out, or one of the run's own.
    using Finished = std::function<void(PortResult& result)>;
    GangRun run(const records::PanelJob& job, ProgressBoard& board, const Finished& finished = {});
    // Commits the entries of results to the invocation's log, in one transaction, marking
    // each result logged or not.
    void commit(const records::PanelJob& job, std::vector<PortResult>& results) const;
    void commit(const records::PanelJob& job, PortResult& result) const;

  private:
    std::optional<QString> log_;
    std::optional<QString> company_log_;
    std::chrono::milliseconds reply_wait_ = tick;
    QStringList devices_;
    QStringList names_;
    std::vector<std::unique_ptr<sim::PtyHost>> simulated_;
    std::unique_ptr<LineTrace> trace_;
};

// Prepares the invocation's panels and runs the job on each, with a progress board on
// standard error that says activity: the run, or the exit code of a setup failure once its
// reason is printed. An interruption and a trace that failed are said on standard error.
std::variant<GangRun, ExitCode> run_on_panels(const Invocation& invocation,
                                              const records::PanelJob& job, const QString& activity,
                                              const PanelGang::Finished& finished = {});

// "kvr-panel: 2 of 8 panels failed: /dev/ttyUSB3, /dev/ttyUSB5" on standard error.
void report_failed_ports(const std::vector<PortResult>& results);

} // namespace kvr::cli
