#pragma once
// Where two configurations differ: what a file programs and what a panel holds (verify),
// or what two files program (diff). Values are compared exactly, so the caller decides
// whether a side is as programmed or as held; a value the program never writes shows as
// its code ("panel code 0"). A panel is compared at the places the window's comparison
// marks, through the same routine.

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "configuration/configuration.h"
#include "panel/memory_map.h"

namespace kvr::cli {

struct Difference {
    enum class Kind { assignment, intensity, text };
    Kind kind;
    QString what;  // "SW6", "SW6 designation", "panel name", "dimmed intensity"
    QString first; // as the text shows it: "C 4", "100 %", "code 0", "\"LOBBY\""
    QString second;
    std::int16_t first_code = 0; // an assignment's or an intensity's code
    std::int16_t second_code = 0;
};

// What two files program, their texts with it.
std::vector<Difference> differences(const Configuration& first, const Configuration& second);
// What a file programs against what a panel holds at the locations where they differ, as
// locations_differing finds them.
std::vector<Difference> panel_differences(const Configuration& programmed, const PanelValues& held,
                                          const std::vector<int>& differing);

// "SW6: file C 4, panel A 8"
QString difference_line(const Difference& difference, const QString& first_side,
                        const QString& second_side);
// {"function": "SW6", first_key: {"code", "module", "channel"}, second_key: ...}; an
// intensity's sides are {"code", "percent"}, a text's are strings.
QJsonObject difference_json(const Difference& difference, const QString& first_key,
                            const QString& second_key);

} // namespace kvr::cli
