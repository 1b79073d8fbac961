#pragma once
// The exit codes both programs give, that scripts rely on.

namespace kvr::options {

enum ExitCode : int {
    done = 0,
    differs = 1,       // a panel or a file differs (verify, diff)
    panel_failed = 2,  // no answer, wrong model, bad data, a port that cannot be opened, or a
                       // simulated panel that cannot be started
    bad_input = 3,     // a bad file or bad arguments
    output_failed = 4, // a result or the trace could not be written
    // 128 + the signal's number: stopped by SIGINT (130) or SIGTERM (143)
    interrupted_base = 128,
};

} // namespace kvr::options
