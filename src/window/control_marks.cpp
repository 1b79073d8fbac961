#include "control_marks.h"

#include <QWidget>
#include <ranges>

void ControlMarks::mark(QWidget* control, const QString& style_sheet, const QString& tooltip) {
    marks_.push_back({control, control->toolTip(), control->styleSheet()});
    control->setStyleSheet(style_sheet);
    control->setToolTip(tooltip);
}

void ControlMarks::clear() {
    // Backwards: a control marked twice gets back what it had before the first.
    for (const Mark& mark : std::views::reverse(marks_)) {
        mark.control->setStyleSheet(mark.style_sheet);
        mark.control->setToolTip(mark.tooltip);
    }
    marks_.clear();
}
