// The table of all 22 functions, switches first, then LEDs, then the lighting.

#include "sheet_drawing.h"

namespace kvr::sheet {
namespace {

constexpr double kHeadingHeight = 5.5;
constexpr double kPadding = 1.5;
constexpr double kNameWidth = 24;
constexpr double kCodeWidth = 22; // each of module and channel

void draw_cell(Page& page, const QRectF& cell, const QString& text, const QFont& font,
               double smallest_points, Qt::Alignment alignment) {
    draw_fitted_text(page.painter, page.rect(cell.adjusted(kPadding, 0, -kPadding, 0)), text, font,
                     smallest_points, alignment | Qt::AlignVCenter);
}

void draw_heading(Page& page, const QRectF& row, const double (&lefts)[4]) {
    const char* headings[] = {"FUNCTION", "DESIGNATION", "MODULE", "CHANNEL"};
    page.painter.setPen(kMutedInk);
    for (int column = 0; column < 4; ++column) {
        const double right = column < 3 ? lefts[column + 1] : row.right();
        draw_cell(page, {lefts[column], row.top(), right - lefts[column], row.height()},
                  QString::fromLatin1(headings[column]), sheet_font(7, true), 5,
                  column < 2 ? Qt::AlignLeft : Qt::AlignHCenter);
    }
    page.painter.setPen(page.pen(kTextInk, 0.35));
    page.painter.drawLine(page.at(row.left(), row.bottom()), page.at(row.right(), row.bottom()));
}

} // namespace

void draw_function_table(Page& page, const SheetContent& content, const QRectF& area) {
    QPainter& painter = page.painter;
    const double module_left = area.right() - 2 * kCodeWidth;
    const double lefts[4] = {area.left(), area.left() + kNameWidth, module_left,
                             module_left + kCodeWidth};
    draw_heading(page, {area.left(), area.top(), area.width(), kHeadingHeight}, lefts);

    const double row_height = (area.height() - kHeadingHeight) / kFunctionCount;
    for (int f = 0; f < kFunctionCount; ++f) {
        const QRectF row(area.left(), area.top() + kHeadingHeight + f * row_height, area.width(),
                         row_height);
        if (f % 2) painter.fillRect(page.rect(row), kStripe);
        // The LEDs and the lighting each begin a group of their own.
        if (f == kSwitchCount || f == kBacklighting) {
            painter.setPen(page.pen(kRuleInk, 0.3));
            painter.drawLine(page.at(row.left(), row.top()), page.at(row.right(), row.top()));
        }
        const auto cell = [&](int column, int columns) {
            const double right = column + columns < 4 ? lefts[column + columns] : row.right();
            return QRectF(lefts[column], row.top(), right - lefts[column], row.height());
        };
        const SheetFunction& function = content.functions[f];
        painter.setPen(function_ink(f));
        draw_cell(page, cell(0, 1), QString::fromLatin1(kFunctions[f].label), sheet_font(8.5, true),
                  6, Qt::AlignLeft);
        painter.setPen(kTextInk);
        draw_cell(page, cell(1, 1), function.designation, sheet_font(8.5), 5.5, Qt::AlignLeft);

        const AssignmentText text = assignment_text(function);
        if (!text.problem.isEmpty()) {
            painter.setPen(kWarningInk);
            draw_cell(page, cell(2, 2), text.problem, sheet_font(8.5, true), 5.5, Qt::AlignHCenter);
            continue;
        }
        const bool assigned = !text.channel.isEmpty();
        painter.setPen(assigned ? kTextInk : kMutedInk);
        draw_cell(page, cell(2, 1), text.module, sheet_font(9, true), 6, Qt::AlignHCenter);
        draw_cell(page, cell(3, 1), assigned ? text.channel : QStringLiteral("–"),
                  sheet_font(9, true), 6, Qt::AlignHCenter);
    }
    painter.setPen(page.pen(kRuleInk, 0.3));
    painter.drawLine(page.at(area.left(), area.bottom()), page.at(area.right(), area.bottom()));
}

} // namespace kvr::sheet
