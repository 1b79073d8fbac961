#pragma once
// The labels in the two columns beside the panel face: for each switch and LED its tag,
// module and channel, and designation; below them the lighting and the intensities.

#include "sheet_drawing.h"

namespace kvr::sheet {

// Millimetres on the sheet.
inline constexpr double kCaptionHeight = 3.5;

// The label column on one side of the face; "inner" is its edge toward the face, and
// parts of a label are measured from there outwards.
struct LabelColumn {
    double inner;
    double width;
    bool left;

    QRectF part(double from, double part_width, double top, double height) const {
        return {left ? inner - from - part_width : inner + from, top, part_width, height};
    }
    Qt::Alignment toward_face() const { return left ? Qt::AlignRight : Qt::AlignLeft; }
};

// One function's tag, assignment and designation, on the line from top down by height.
void draw_entry(Page& page, const LabelColumn& column, double top, double height, int function,
                const SheetFunction& content);

// What the parts of the labels hold, above the first line of labels.
void draw_column_captions(Page& page, const LabelColumn& column, double top);

void draw_lighting(Page& page, const LabelColumn& column, double top, double line_height,
                   const SheetContent& content);

void draw_intensities(Page& page, const LabelColumn& column, double top, double line_height,
                      const SheetContent& content);

} // namespace kvr::sheet
