#include "records/log_location.h"

#include <QDir>

namespace kvr::records {

std::optional<QString> log_path(const std::optional<QString>& log_option, bool no_log,
                                const QProcessEnvironment& environment) {
    const auto named = [](const QString& path) -> std::optional<QString> {
        if (path.isEmpty()) return std::nullopt;
        return path;
    };
    if (no_log) return std::nullopt;
    if (log_option) return named(*log_option);
    if (environment.contains(QStringLiteral("KVR_LOG")))
        return named(environment.value(QStringLiteral("KVR_LOG")));
    // A relative XDG_DATA_HOME is invalid and is to be ignored.
    QString data_home = environment.value(QStringLiteral("XDG_DATA_HOME"));
    if (!QDir::isAbsolutePath(data_home))
        data_home = environment.value(QStringLiteral("HOME"), QDir::homePath()) +
                    QStringLiteral("/.local/share");
    return data_home + QStringLiteral("/kvr-config/commissioning.sqlite");
}

std::optional<QString> company_log_given(const std::optional<QString>& company_option,
                                         const QProcessEnvironment& environment) {
    if (company_option) return company_option;
    const QString named = environment.value(QStringLiteral("KVR_COMPANY_LOG"));
    if (named.isEmpty()) return std::nullopt;
    return named;
}

} // namespace kvr::records
