#pragma once
// A fixture that programs panel after panel (write --watch): each port waits for a panel,
// calling it with an attention character at most every 500 ms and sending nothing else
// while none answers; programs and verifies the one that answers; reports it; then waits
// until that panel no longer answers before it waits for the next. All ports at once on
// the one thread, until Ctrl-C or SIGTERM ends it between two transactions.

#include <QString>
#include <functional>
#include <vector>

#include "cli/invocation.h"
#include "cli/panel_gang.h"
#include "cli/port_result.h"

namespace kvr::cli {

// What one port of the fixture did.
struct FixtureTally {
    QString device;
    int programmed = 0;
    int failed = 0;
};

struct FixtureRun {
    std::vector<FixtureTally> ports; // in the order the ports were named
    int signal = 0;                  // the signal that ended it
    bool stopped_mid_write = false;  // a panel was interrupted partly programmed
    QString trace_failure;

    // 128 + the signal when a panel was left partly programmed, else 2 when a panel
    // failed, else 0 (4 when the trace stopped being written).
    ExitCode exit_code() const;
};

// Runs the fixture on the gang's ports; each panel's result goes to finished the moment it
// is done, then is counted.
FixtureRun run_fixture(PanelGang& gang, const PanelGang::Start& start,
                       const PanelGang::Finished& finished);

} // namespace kvr::cli
