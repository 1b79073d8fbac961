#include "layout.h"

#include "configuration/functions.h"
#include "configuration/texts.h"

namespace kvr {
namespace {

using enum ControlKind;

// Position k lies in row (k + 1) / 2, odd positions on the left; each row is 1080 lower.
struct PositionColumn {
    int label_left;
    int box_left;
    int channel_left;
};
constexpr PositionColumn kLeftColumn{1200, 1680, 2520};
constexpr PositionColumn kRightColumn{4920, 3360, 4200};
constexpr int kRowPitch = 1080;

void add_position_controls(std::vector<ControlLayout>& rows) {
    for (int position = 1; position <= kPositionCount; ++position) {
        const PositionColumn& column = position % 2 ? kLeftColumn : kRightColumn;
        const int drop = kRowPitch * ((position + 1) / 2 - 1);
        rows.push_back({kPositionLabels[position - 1], Label, "", column.label_left, 2760 + drop, 0,
                        0, kFunctions[position - 1].label, ""});
    }
    for (int f = 0; f < kSwitchCount * 2; ++f) {
        const FunctionRow& function = kFunctions[f];
        const PositionColumn& column = function.position % 2 ? kLeftColumn : kRightColumn;
        const int drop = kRowPitch * ((function.position + 1) / 2 - 1);
        const Ink ink = is_switch(f) ? Ink::Switch : Ink::Lighting;
        const std::string label = function.label;
        rows.push_back({function.designation, TextBox, "", column.box_left, 2400 + drop, 1455, 285,
                        kDesignationStartText, "ENTER " + label + " FUNCTION", ink});
        rows.push_back({function.module_list, List, "", column.box_left, 2640 + drop, 855, 645, "",
                        label + " MODULE ASSIGNMENT", ink, Typeface::List, ListContents::Module});
        rows.push_back({function.channel_list, List, "", column.channel_left, 2640 + drop, 615, 645,
                        "", label + " CHANNEL ASSIGNMENT", ink, Typeface::List,
                        ListContents::Channel});
    }
}

std::vector<ControlLayout> build_table() {
    constexpr Ink red = Ink::Lighting;
    constexpr Typeface heading = Typeface::Heading;
    constexpr Typeface list_font = Typeface::List;
    std::vector<ControlLayout> rows = {
        {"Image1", Image, "", 1080, 1320, 4290, 7395, "", ""},
        {"Option1", Option, "", 4680, 240, 2415, 495, "SWITCH CHANNEL ASSIGNMENTS",
         "LEFT CLICK TO VIEW SWITCH CHANNEL ASSIGNMENTS", Ink::Switch},
        {"Option2", Option, "", 4680, 720, 2415, 495, "LIGHTING CHANNEL ASSIGNMENTS",
         "LEFT CLICK TO VIEW LIGHTING CHANNEL ASSIGNMENTS", red},
        // The port chooser, in the free corner right of the view buttons.
        {"SERIAL_PORT_LABEL", Label, "", 7200, 360, 3975, 255, "SERIAL PORT", ""},
        {"SERIAL_PORT", ComboBox, "", 7200, 630, 3975, 375, "",
         "THE PORT THE SWITCH PANEL IS CONNECTED TO: CHOOSE ONE OR TYPE A DEVICE PATH",
         Ink::Standard, list_font},
        // Which file or panel the window holds and whether it has changed, under the chooser.
        {"SOURCE_LINE", Label, "", 7200, 1035, 3975, 255, "", ""},
        {"READ_FILE", Button, "", 6000, 1440, 2415, 855, "OPEN CONFIGURATION FILE",
         "LEFT CLICK TO OPEN CONFIG FILE", Ink::Standard, heading},
        {"WRITE_FILE", Button, "", 6000, 2520, 2415, 855, "SAVE CONFIGURATION FILE",
         "LEFT CLICK TO SAVE CONFIG FILE", Ink::Standard, heading},
        {"READ_CONFIG", Button, "", 8760, 1440, 2415, 855, "READ CONFIGURATION FROM SWITCH PANEL",
         "LEFT CLICK TO READ CONFIG IN SWITCH PANEL", Ink::Standard, heading},
        {"WRITE_CONFIG", Button, "", 8760, 2520, 2415, 855, "WRITE CONFIGURATION TO SWITCH PANEL",
         "LEFT CLICK TO SAVE CONFIG IN SWITCH PANEL", Ink::Standard, heading},

        {"Frame1", Frame, "", 6000, 3720, 3495, 1695, "LIGHTING CONTROL CHANNELS:", "",
         Ink::Standard, heading},
        {"Label19", Label, "Frame1", 480, 480, 1215, 255, lighting_caption(kBacklighting), "",
         Ink::Standard, heading},
        {"List41", List, "Frame1", 1680, 240, 855, 645, "", "BACKLIGHTING MODULE ASSIGNMENT", red,
         list_font, ListContents::Module},
        {"List42", List, "Frame1", 2520, 240, 615, 645, "", "BACKLIGHTING CHANNEL ASSIGNMENT", red,
         list_font, ListContents::Channel},
        {"Label1", Label, "Frame1", 720, 1200, 975, 255, lighting_caption(kDimming), "",
         Ink::Standard, heading},
        {"List43", List, "Frame1", 1680, 960, 855, 645, "", "DIMMING MODULE ASSIGNMENT", red,
         list_font, ListContents::Module},
        {"List44", List, "Frame1", 2520, 960, 615, 645, "", "DIMMING CHANNEL ASSIGNMENT", red,
         list_font, ListContents::Channel},
        {"Label14", Label, "", 6000, 3840, 1215, 375, "", ""},

        {"Frame2", Frame, "", 6000, 5760, 5175, 2775, "LIGHTING INTENSITIES:", "", Ink::Standard,
         heading},
        {"Label17", Label, "Frame2", 600, 480, 2415, 255, intensity_caption(Intensity::Indicator),
         "", Ink::Standard, heading},
        {"List49", List, "Frame2", 3120, 240, 735, 645, "", "LED INDICATOR NORMAL INTENSITY (%)",
         red, list_font, ListContents::Intensity},
        {"Label15", Label, "Frame2", 240, 1200, 2895, 255,
         intensity_caption(Intensity::Backlighting), "", Ink::Standard, heading},
        {"List45", List, "Frame2", 3120, 1080, 735, 645, "", "BACKLIGHTING NORMAL INTENSITY (%)",
         red, list_font, ListContents::Intensity},
        {"Label16", Label, "Frame2", 600, 1920, 2535, 615, intensity_caption(Intensity::Dimmed), "",
         Ink::Standard, heading},
        {"List46", List, "Frame2", 3120, 1920, 735, 645, "", "DIMMED INDICATOR INTENSITY (%)", red,
         list_font, ListContents::Intensity},
    };
    add_position_controls(rows);
    const std::vector<ControlLayout> on_picture = {
        {"Text1", StatusBox, "", 1680, 1680, 3135, 615, "", "", Ink::Standard, Typeface::Status},
        {"Label6", Label, "", 2400, 7800, 1695, 255, "PANEL NAME", ""},
        {"Text2", TextBox, "", 2400, 8040, 1695, 285, "", "ENTER IDENTITY FOR FILE NAME",
         Ink::Standard, list_font},
        {"Shape1", Shape, "", 4200, 7680, 735, 255, "", ""},
        {"Line1", Line, "", 4560, 7920, 0, 840, "", ""},
        {"Line2", Line, "", 4200, 8760, 360, 0, "", ""},
        {"Label7", Label, "", 840, 8640, 3375, 375, "PROGRAMMING HEADER LOCATION", ""},
    };
    rows.insert(rows.end(), on_picture.begin(), on_picture.end());
    return rows;
}

} // namespace

const std::vector<ControlLayout>& layout_table() {
    static const std::vector<ControlLayout> table = build_table();
    return table;
}

} // namespace kvr
