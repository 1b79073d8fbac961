#pragma once
// What kvr-panel adds to a configuration: the names it prints the intensities by, the
// panel name given on the command line, and the notes on what a write changes.

#include <QString>
#include <array>
#include <optional>
#include <string>

#include "configuration/configuration.h"

namespace kvr::cli {

// The three intensities in the order of Intensity, with their names here.
struct IntensityName {
    Intensity which;
    const char* title; // in tables and differences
    const char* key;   // in JSON
};
extern const std::array<IntensityName, 3> intensity_names;

// A panel name as a file carries it, or nullopt once the reason it cannot be has been
// printed. One given with --name is held to the rules of the window's panel name box; one
// taken from a file's name only to the characters a file can carry.
enum class NameSource { typed, file_name };
std::optional<std::string> given_panel_name(const QString& name, NameSource source);

// The configuration as it is programmed or saved; says on standard error, for `source`,
// what the intensity rule changed and why.
Configuration programmed_with_notes(const Configuration& configuration, const QString& source);

} // namespace kvr::cli
