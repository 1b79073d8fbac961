#pragma once
// Where the commissioning log lives, and which company log is named. The window and
// kvr-panel both ask here, so --log, --no-log, KVR_LOG, --company-log and KVR_COMPANY_LOG
// mean the same in each.

#include <QProcessEnvironment>
#include <QString>
#include <optional>

namespace kvr::records {

// The log file, or nothing when logging is turned off. In order: --no-log turns it off;
// --log FILE names it (an empty FILE turns it off); KVR_LOG names it when set (set but
// empty turns it off); otherwise commissioning.sqlite in kvr-config's folder under
// $XDG_DATA_HOME, or ~/.local/share when that is unset or not an absolute path.
std::optional<QString> log_path(const std::optional<QString>& log_option, bool no_log,
                                const QProcessEnvironment& environment);

// The company log named for this run: --company-log as given, else KVR_COMPANY_LOG when
// it is not empty; nullopt when neither names one. An empty text names none.
std::optional<QString> company_log_given(const std::optional<QString>& company_option,
                                         const QProcessEnvironment& environment);

} // namespace kvr::records
