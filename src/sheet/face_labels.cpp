// The labels beside the panel face. A label's parts are measured from the face outwards,
// so the left column mirrors the right.

#include "face_labels.h"

namespace kvr::sheet {
namespace {

// Millimetres on the sheet.
constexpr double kTagWidth = 11;
constexpr double kLightingTagWidth = 19;
constexpr double kAssignmentWidth = 12;
constexpr double kPartGap = 1.5;
constexpr double kAssignmentFrom = kTagWidth + kPartGap;
constexpr double kDesignationFrom = kAssignmentFrom + kAssignmentWidth + kPartGap;

void draw_tag(Page& page, const QRectF& box, const QString& text, const QColor& ink) {
    QPainter& painter = page.painter;
    const QRectF area = page.rect(box);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRoundedRect(area, page.mm(1), page.mm(1));
    painter.setPen(Qt::white);
    draw_fitted_text(painter, area.adjusted(page.mm(0.6), 0, -page.mm(0.6), 0), text,
                     sheet_font(7.5, true), 5, Qt::AlignCenter);
}

void draw_assignment(Page& page, const QRectF& box, const SheetFunction& function,
                     Qt::Alignment alignment) {
    const AssignmentText text = assignment_text(function);
    QPainter& painter = page.painter;
    if (!text.problem.isEmpty()) {
        painter.setPen(kWarningInk);
        draw_fitted_text(painter, page.rect(box), text.problem, sheet_font(7, true), 5,
                         alignment | Qt::AlignVCenter);
        return;
    }
    painter.setPen(text.channel.isEmpty() ? kMutedInk : kTextInk);
    draw_fitted_text(painter, page.rect(box), text.shown, sheet_font(9, true), 6,
                     alignment | Qt::AlignVCenter);
}

void draw_caption(Page& page, const QRectF& box, const QString& text, Qt::Alignment alignment) {
    page.painter.setPen(kMutedInk);
    draw_fitted_text(page.painter, page.rect(box), text, sheet_font(6.5, true), 5,
                     alignment | Qt::AlignVCenter);
}

} // namespace

void draw_entry(Page& page, const LabelColumn& column, double top, double height, int function,
                const SheetFunction& content) {
    draw_tag(page, column.part(0, kTagWidth, top + 1, height - 2),
             QString::fromLatin1(kFunctions[function].label), function_ink(function));
    draw_assignment(page, column.part(kAssignmentFrom, kAssignmentWidth, top, height), content,
                    Qt::AlignHCenter);
    page.painter.setPen(kTextInk);
    draw_fitted_text(
        page.painter,
        page.rect(column.part(kDesignationFrom, column.width - kDesignationFrom, top, height)),
        content.designation, sheet_font(8), 5.5, column.toward_face() | Qt::AlignVCenter);
}

void draw_column_captions(Page& page, const LabelColumn& column, double top) {
    constexpr double kAssignmentCaptionWidth = 26;
    constexpr double kAssignmentCentre = kAssignmentFrom + kAssignmentWidth / 2;
    draw_caption(page,
                 column.part(kAssignmentCentre - kAssignmentCaptionWidth / 2,
                             kAssignmentCaptionWidth, top, kCaptionHeight),
                 QStringLiteral("MODULE-CHANNEL"), Qt::AlignHCenter);
    // Against the column's outer edge, clear of the wider caption beside it.
    draw_caption(page, column.part(column.width - 20, 20, top, kCaptionHeight),
                 QStringLiteral("DESIGNATION"), column.left ? Qt::AlignLeft : Qt::AlignRight);
}

void draw_lighting(Page& page, const LabelColumn& column, double top, double line_height,
                   const SheetContent& content) {
    draw_caption(page, column.part(0, column.width, top, kCaptionHeight),
                 QStringLiteral("LIGHTING CONTROL CHANNELS"), column.toward_face());
    for (int f = kBacklighting; f < kFunctionCount; ++f) {
        const double y = top + kCaptionHeight + (f - kBacklighting) * line_height;
        draw_tag(page, column.part(0, kLightingTagWidth, y + 0.5, line_height - 1),
                 QString::fromLatin1(kFunctions[f].label), function_ink(f));
        draw_assignment(page,
                        column.part(kLightingTagWidth + kPartGap, kAssignmentWidth, y, line_height),
                        content.functions[f], Qt::AlignHCenter);
    }
}

void draw_intensities(Page& page, const LabelColumn& column, double top, double line_height,
                      const SheetContent& content) {
    draw_caption(page, column.part(0, column.width, top, kCaptionHeight),
                 QStringLiteral("LIGHTING INTENSITIES"), column.toward_face());
    constexpr double kValueWidth = 14;
    double y = top + kCaptionHeight;
    for (const IntensityRow& row : kIntensityRows) {
        const std::int16_t code = content.intensity_codes[static_cast<int>(row.intensity)];
        const std::optional<QString> percent = intensity_percent(code);
        page.painter.setPen(percent ? kTextInk : kWarningInk);
        draw_fitted_text(page.painter, page.rect(column.part(0, kValueWidth, y, line_height)),
                         percent.value_or(QStringLiteral("code %1").arg(code)),
                         sheet_font(8.5, true), 5, column.toward_face() | Qt::AlignVCenter);
        page.painter.setPen(kTextInk);
        draw_fitted_text(
            page.painter,
            page.rect(column.part(kValueWidth + kPartGap, column.width - kValueWidth - kPartGap, y,
                                  line_height)),
            QString::fromLatin1(row.caption), sheet_font(7.5), 5.5,
            column.toward_face() | Qt::AlignVCenter);
        y += line_height;
    }
}

} // namespace kvr::sheet
