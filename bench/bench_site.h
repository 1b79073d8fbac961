#pragma once
// A site of numbered panels for the benchmarks: each one's configuration, saved as NNN.kcf
// in a folder, and the entry of a write of it that the log proves it by.

#include <QDir>
#include <QString>
#include <cstdio>

#include "files/configuration_file_io.h"
#include "records/record.h"

inline kvr::Configuration bench_panel(int n) {
    kvr::Configuration configuration;
    configuration.panel_name = QStringLiteral("FLOOR%1-%2").arg(n / 10).arg(n % 10).toStdString();
    for (int f = 0; f < kvr::kFunctionCount; ++f)
        configuration.codes[f] = static_cast<std::int16_t>((n + f * 7) % 161);
    for (int d = 0; d < 2 * kvr::kSwitchCount; ++d)
        configuration.designations[d] =
            QStringLiteral("Room %1 light %2").arg(n).arg(d).toStdString();
    return configuration;
}

// Saves panels 0..count-1 in folder (made when missing); false once a failure is printed.
inline bool save_bench_site(const QString& folder, int count) {
    QDir().mkpath(folder);
    for (int n = 0; n < count; ++n) {
        const QString path =
            QStringLiteral("%1/%2.kcf").arg(folder).arg(n, 3, 10, QLatin1Char('0'));
        if (const auto failure = save_configuration_file(path, record_of(bench_panel(n)))) {
            std::fprintf(stderr, "%s\n", qPrintable(*failure));
            return false;
        }
    }
    return true;
}

// The entry of panel n programmed and verified.
inline kvr::records::Record verified_entry(int n) {
    using namespace kvr::records;
    Record entry;
    entry.panel_name = QString::fromStdString(bench_panel(n).panel_name);
    entry.device = QStringLiteral("/dev/ttyUSB%1").arg(n % 4);
    entry.values_digest = values_digest(programmed_values(bench_panel(n)));
    entry.outcome = RecordOutcome::programmed_and_verified;
    return entry;
}
