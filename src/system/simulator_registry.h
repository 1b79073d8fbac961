#pragma once
// The registry of the lines kvr-panel-sim serves, so that kvr-config and kvr-panel know a
// simulated panel when they open its pseudo-terminal, without a byte more on the line:
// kvr-panel-sim writes one file per process into the folder below, named by its process
// id and holding the pseudo-terminal's path on its first line, and removes it when it ends.
// A file whose process is gone is stale and ignored. Standard C++ only: the simulator and
// the programs share this rule.

#include <string>

namespace kvr {

// $XDG_RUNTIME_DIR/kvr-panel-sim, or /tmp/kvr-panel-sim-UID where that is not set: a
// folder of this user's alone.
inline std::string simulator_registry_folder(const char* runtime_folder,
                                             const std::string& user_id) {
    if (runtime_folder && *runtime_folder == '/')
        return std::string(runtime_folder) + "/kvr-panel-sim";
    return "/tmp/kvr-panel-sim-" + user_id;
}

} // namespace kvr
