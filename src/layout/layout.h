#pragma once
// The window's layout: one row per control with its kind, place, size, caption, tooltip,
// colour and font. Places and sizes are in twips (15 twips are one pixel); a place inside
// a frame is measured from the frame's corner.

#include <string>
#include <vector>

#include "configuration/codes.h"
#include "configuration/texts.h"

namespace kvr {

enum class ControlKind {
    List,
    TextBox,
    StatusBox,
    Label,
    Button,
    Option,
    Frame,
    Image,
    Shape,
    Line,
    ComboBox
};
enum class Ink { Standard, Switch, Lighting };
enum class Typeface { Window, Heading, List, Status };

struct ControlLayout {
    std::string name;
    ControlKind kind;
    std::string parent; // empty for the window itself
    int left;
    int top;
    int width; // 0 for a label sized to its caption
    int height;
    std::string caption;
    std::string tooltip;
    Ink ink = Ink::Standard;
    Typeface font = Typeface::Window;
    ListContents list = ListContents::None;
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidth = 11415;
inline constexpr int kClientHeight = 8895;
inline constexpr const char* kWindowTitle =
    "KVR QVT 10 BUTTON DIMMABLE SWITCH PANEL CONFIGURATION PROGRAM";

// Every control of the window, in creation order (later controls lie on top).
const std::vector<ControlLayout>& layout_table();

// The position labels of positions 1..10.
inline constexpr const char* kPositionLabels[10] = {"Label2",  "Label3", "Label4",  "Label5",
                                                    "Label8",  "Label9", "Label10", "Label11",
                                                    "Label12", "Label13"};

} // namespace kvr
