#pragma once
// Everything an undo step brings back: what each list, box and view shows, which controls
// the handlers showed or hid, the model's members, and where the configuration came from.

#include <QString>
#include <array>
#include <optional>

#include "configuration/configuration.h"
#include "configuration/configuration_model.h"
#include "configuration/functions.h"

// Where what the window shows came from: the file opened or saved, or the panel read or
// programmed last, with the values it held then.
struct ShownSource {
    QString name;   // as the sheet names it
    QString line;   // as the line under the port chooser names it
    QString sha256; // of a file's bytes as opened or saved
    // Where Save writes without asking: the file last opened or saved, kept through a write,
    // none once a read replaced what the window showed of it. An open or a read undone
    // brings back the one before, so Save never writes what was shown before an open into
    // the file opened.
    QString file;
    bool holds_texts = true;
    std::optional<kvr::Configuration> values;
};

struct WindowSnapshot {
    // The controls a handler shows or hides for a function: channel list, designation box,
    // intensity list and its caption.
    static constexpr int kToggledPerFunction = 4;

    struct Shown {
        std::array<int, kvr::kFunctionCount> module_rows{};
        std::array<int, kvr::kFunctionCount> channel_rows{};
        std::array<QString, kvr::kFunctionCount> designations{};
        std::array<bool, kvr::kFunctionCount * kToggledPerFunction> hidden{};
        QString panel_name;
        std::array<int, 3> intensity_rows{}; // by Intensity
        bool lighting_view = false;
        bool operator==(const Shown&) const = default;
    };
    Shown shown;
    kvr::ConfigurationModel model;
    ShownSource source;
};
