#pragma once
// What the parts of the sheet share: the page's measure, fonts, inks, and the texts that
// stand for an assignment and an intensity.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>

#include "sheet.h"

namespace kvr::sheet {

// The sheet is laid out in millimetres from the paper's corner; the painter works in its
// device's units, so that fonts keep their point sizes.
class Page {
  public:
    explicit Page(QPainter& painter);

    QPainter& painter;

    double mm(double length) const { return length * units_per_mm_; }
    QPointF at(double x, double y) const { return {mm(x), mm(y)}; }
    QRectF rect(const QRectF& millimetres) const;

    // A pen of the given width in millimetres.
    QPen pen(const QColor& colour, double width) const;

  private:
    double units_per_mm_;
};

inline constexpr double kPageWidth = 210;
inline constexpr double kPageHeight = 297;

inline const QColor kSwitchInk{0, 128, 0};
inline const QColor kLightingInk{192, 0, 0};
inline const QColor kTextInk{30, 30, 30};
inline const QColor kMutedInk{110, 110, 110};
inline const QColor kWarningInk{196, 84, 0};
inline const QColor kRuleInk{190, 190, 190};
inline const QColor kStripe{243, 243, 243};
inline const QColor kVerifiedInk{0, 128, 0};

// What a proof whose file's texts changed since it was made carries, on the sheet and in
// the pack's index alike.
inline const QString kLabelsChangedSince = QStringLiteral("LABELS CHANGED SINCE");

QFont sheet_font(double points, bool bold = false);

// Switches in green, LEDs and lighting in red, as the window tells them apart.
QColor function_ink(int function);

// A function's module and channel as the window's lists name them, or the problem that
// keeps it from having them.
struct AssignmentText {
    QString module;  // "A".."P", or "N/A"
    QString channel; // "1".."10", empty when not assigned
    QString problem; // "not chosen", or "code -5" when the code is no assignment
    QString shown;   // both in one: "C-4", "N/A", "C, no channel"
};
AssignmentText assignment_text(const SheetFunction& function);

// "70 %", or nothing when the code is no intensity.
std::optional<QString> intensity_percent(std::int16_t code);

// The three intensities in the order the window lists them, with their captions.
struct IntensityRow {
    Intensity intensity;
    const char* caption;
};
extern const IntensityRow kIntensityRows[3];

// Draws text inside box at the largest size from font's down to smallest_points at which it
// fits, wrapping at word boundaries (anywhere in a word wider than the box). When even the
// smallest size does not hold it, the last line ends in an ellipsis, so the cut shows.
void draw_fitted_text(QPainter& painter, const QRectF& box, const QString& text, QFont font,
                      double smallest_points, Qt::Alignment alignment);

// The panel artwork with the switches and LEDs on it, their labels beside it, and the
// lighting assignments and intensities below the labels.
void draw_panel_face(Page& page, const SheetContent& content, const QRectF& area);

// One row per function: name, designation, module, channel.
void draw_function_table(Page& page, const SheetContent& content, const QRectF& area);

// The site, room, job, installer and company, each under its caption.
void draw_site(Page& page, const SheetSite& site, const QRectF& area);
// One of them: the value under its caption, on a line to write on when it is blank.
void draw_field(Page& page, const QRectF& cell, const char* caption, const QString& value);

// Whether the configuration was programmed and verified, when and on which port.
void draw_stamp(Page& page, const SheetContent& shown, const QRectF& area);

// The boxes written in by hand: notes, and the signature with its date.
void draw_handwriting_boxes(Page& page, const QRectF& area);

// "Page N of M" at the foot of the page.
void draw_page_number(Page& page, int number, int count);

// Draws text fitted into a box given in millimetres, centred vertically.
void draw_text(Page& page, const QRectF& box, const QString& text, const QFont& font,
               double smallest_points, const QColor& ink, Qt::Alignment alignment);

inline constexpr double kMargin = 13;
inline constexpr double kContentWidth = kPageWidth - 2 * kMargin;

} // namespace kvr::sheet
