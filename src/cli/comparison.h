#pragma once
// Where two configurations differ: what a file programs and what a panel holds (verify),
// or what two files program (diff). Values are compared exactly, so the caller decides
// whether a side is as programmed or as held; a value the program never writes shows as
// its code ("panel code 0").

#include <QString>
#include <vector>

#include "configuration/configuration.h"

namespace kvr::cli {

struct Difference {
    QString what; // "SW6", "SW6 designation", "panel name", "dimmed intensity"
    QString first;
    QString second;
};

enum class Texts { ignored, compared };

std::vector<Difference> differences(const Configuration& first, const Configuration& second,
                                    Texts texts);

// "SW6: file C 4, panel A 8"
QString difference_line(const Difference& difference, const QString& first_side,
                        const QString& second_side);

} // namespace kvr::cli
