#pragma once
// Runs one conversation per port, all at once on the one thread: each port waits on its
// own line, none holds up another, and a port that fails stops only its own panel. The
// wait for all of them is the application's event loop.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "cli/invocation.h"
#include "cli/progress_board.h"
#include "panel/line_trace.h"
#include "panel/panel_conversation.h"

namespace kvr::sim {
class PtyHost;
}

namespace kvr::cli {

// What one port's conversation came to, and what it read.
struct PortResult {
    QString device;
    Outcome outcome = Outcome::bad_data;
    QString final_text;          // the last status in red or green: the window's final text
    QString problem;             // the transaction's complaint before a bad-data end
    bool identified = false;     // the panel answered and its model code was accepted
    int locations_done = 0;      // of the 25 configuration locations
    std::int16_t model_code = 0; // a refused panel's model code
    PanelValues values{};        // the locations read, in location order

    bool succeeded() const { return outcome == Outcome::succeeded; }
    // "DEVICE: FINAL TEXT", with where and why a failed port stopped.
    QString line() const;
};

struct SetupFailure {
    ExitCode code;
    QString message;
};

class PanelGang {
  public:
    PanelGang();
    ~PanelGang();
    PanelGang(const PanelGang&) = delete;
    PanelGang& operator=(const PanelGang&) = delete;

    // Takes the invocation's ports or starts its simulated panels, and opens its trace.
    std::optional<SetupFailure> prepare(const Invocation& invocation);
    const QStringList& devices() const { return devices_; }

    // Starts every port's conversation with start and returns once all have finished,
    // one result per port in the order the ports were named.
    using Start = std::function<void(PanelConversation& conversation)>;
    std::vector<PortResult> run(const Start& start, ProgressBoard& board);

  private:
    QStringList devices_;
    std::vector<std::unique_ptr<sim::PtyHost>> simulated_;
    std::unique_ptr<LineTrace> trace_;
};

// How the progress of a run is shown: where, with which word, and whether the final
// lines stay (see ProgressBoard).
struct BoardStyle {
    std::FILE* stream;
    QString activity;
    ProgressBoard::FinalLines final_lines;
};

// Prepares the invocation's panels and runs start on each with a progress board: the
// results, or the exit code of a setup failure once its reason is printed.
std::variant<std::vector<PortResult>, ExitCode>
run_on_panels(const Invocation& invocation, const PanelGang::Start& start, const BoardStyle& style);

// The exit code for a set of results: panel_failed when any port failed, else done.
ExitCode exit_code(const std::vector<PortResult>& results);
// "kvr-panel: 2 of 8 panels failed: /dev/ttyUSB3, /dev/ttyUSB5" on standard error.
void report_failed_ports(const std::vector<PortResult>& results);

} // namespace kvr::cli
