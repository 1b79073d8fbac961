// The pseudo-terminal host where there are no POSIX pseudo-terminals (Windows): a simulated
// panel cannot be started, and saying so is all it does. kvr-panel --simulate and
// kvr-config --simulate report the reason; a real port works as everywhere.
#include "simulator/pty_host.h"

#include <system_error>

namespace kvr::sim {

PtyHost::PtyHost(const PanelSettings& settings, Observer observer)
    : engine_(settings), observer_(std::move(observer)) {
    throw std::system_error(std::make_error_code(std::errc::function_not_supported),
                            "simulated panels need POSIX pseudo-terminals");
}

PtyHost::~PtyHost() = default;

void PtyHost::stop() {}

bool PtyHost::hung_up() const {
    return false;
}

std::vector<TranscriptEntry> PtyHost::transcript() const {
    return {};
}

bool PtyHost::wait_for_transcript(std::size_t, std::chrono::milliseconds) const {
    return false;
}

std::array<std::uint8_t, location_count> PtyHost::locations() const {
    return engine_.locations();
}

std::uint8_t PtyHost::location(int number) const {
    return engine_.location(number);
}

void PtyHost::set_location(int number, std::uint8_t value) {
    engine_.set_location(number, value);
}

} // namespace kvr::sim
