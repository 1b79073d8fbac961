#pragma once
// Where two configurations differ: a file and what a panel holds (verify), or two files
// (diff). Values are compared as they would be programmed, so a file's 200 and a panel's
// 160 are both "N/A" and do not differ.

#include <QString>
#include <vector>

#include "files/configuration_file.h"

namespace kvr::cli {

struct Difference {
    QString what; // "SW6", "SW6 designation", "panel name", "dimmed intensity"
    QString first;
    QString second;
};

enum class Texts { ignored, compared };

std::vector<Difference> differences(const ConfigurationRecord& first,
                                    const ConfigurationRecord& second, Texts texts);

// "SW6: file C 4, panel A 8"
QString difference_line(const Difference& difference, const QString& first_side,
                        const QString& second_side);

} // namespace kvr::cli
