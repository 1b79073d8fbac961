#pragma once
// A fixture that programs panel after panel (write --watch). Each port calls for a panel
// with one attention character at most every 500 ms, sending nothing else while none
// answers; programs and verifies the one that answers; reports it; then keeps reading the
// panel it programmed until it no longer answers. A read that finds other values means
// another panel was put in without the line going quiet long enough to notice: that panel
// is programmed too, so a port never stays at DONE for a panel it did not program. Every
// call, read and write is a conversation of its own that opens the port and closes it at
// its end, so a port whose adapter was pulled is opened again, by its name, once it is back.
// All ports at once on the one thread, until Ctrl-C or SIGTERM ends it between two
// transactions.

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

// Runs the job on the gang's ports, panel after panel; each panel's entry is committed to
// the log and its result goes to finished the moment it is done, then is counted.
FixtureRun run_fixture(PanelGang& gang, const records::PanelJob& job,
                       const PanelGang::Finished& finished);

} // namespace kvr::cli
