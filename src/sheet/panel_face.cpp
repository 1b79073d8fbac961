// The panel face: the window's panel artwork at a readable size, with a switch and an LED
// at each position where the window lays out that position's controls, each led to its
// label beside the face.

#include <algorithm>

#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include "face_labels.h"
#include "layout.h"

namespace kvr::sheet {
namespace {

// Millimetres on the sheet.
constexpr double kLabelGap = 5;      // between the label columns and the face
constexpr double kButtonInset = 1.4; // a switch inside its position's controls
constexpr double kLedDiameter = 2.6;
constexpr double kEntrySpacing = 0.5; // between a position's switch and LED entries

const ControlLayout& control(std::string_view name) {
    const auto& table = layout_table();
    return *std::ranges::find_if(table, [name](const ControlLayout& c) { return c.name == name; });
}

QRectF twips(const ControlLayout& c) {
    return QRectF(c.left, c.top, c.width, c.height);
}

// The window's picture, with the controls laid over it, mapped onto the face on the sheet.
class FaceMap {
  public:
    explicit FaceMap(const QRectF& face)
        : face_(face), picture_(twips(control("Image1"))), scale_(face.width() / picture_.width()) {
    }

    QPointF point(QPointF window) const {
        return face_.topLeft() + (window - picture_.topLeft()) * scale_;
    }
    QRectF rect(const QRectF& window) const {
        return {point(window.topLeft()), window.size() * scale_};
    }
    double length(double window) const { return window * scale_; }

  private:
    QRectF face_;
    QRectF picture_;
    double scale_;
};

void draw_leader(Page& page, const LabelColumn& column, double y, double target_x,
                 const QColor& ink) {
    page.painter.setPen(page.pen(ink, 0.25));
    page.painter.drawLine(page.at(column.inner, y), page.at(target_x, y));
}

void draw_switch(Page& page, const QRectF& button, const QString& label) {
    QPainter& painter = page.painter;
    const QRectF area = page.rect(button);
    const double radius = page.mm(1.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 60));
    painter.drawRoundedRect(area.translated(page.mm(0.35), page.mm(0.45)), radius, radius);
    QLinearGradient face(area.topLeft(), area.bottomLeft());
    face.setColorAt(0, QColor(250, 250, 250));
    face.setColorAt(1, QColor(212, 212, 212));
    painter.setBrush(face);
    painter.setPen(page.pen(QColor(95, 95, 95), 0.3));
    painter.drawRoundedRect(area, radius, radius);
    painter.setPen(kSwitchInk);
    draw_fitted_text(painter, area, label, sheet_font(9, true), 6, Qt::AlignCenter);
}

void draw_led(Page& page, QPointF centre) {
    QPainter& painter = page.painter;
    const double radius = page.mm(kLedDiameter / 2);
    const QPointF at = page.at(centre.x(), centre.y());
    QRadialGradient glow(at - QPointF(radius, radius) * 0.3, radius * 1.2);
    glow.setColorAt(0, QColor(255, 140, 140));
    glow.setColorAt(1, kLightingInk);
    painter.setBrush(glow);
    painter.setPen(page.pen(QColor(90, 0, 0), 0.25));
    painter.drawEllipse(at, radius, radius);
}

void draw_programming_header(Page& page, const FaceMap& map) {
    QPainter& painter = page.painter;
    const QRectF header = map.rect(twips(control("Shape1")));
    const QRectF area = page.rect(header);
    painter.setPen(page.pen(QColor(40, 40, 40), 0.3));
    painter.setBrush(QColor(60, 60, 60));
    painter.drawRect(area);
    constexpr int kPins = 5;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(215, 185, 90));
    for (int pin = 0; pin < kPins; ++pin) {
        const double x = header.left() + header.width() * (pin + 0.5) / kPins;
        painter.drawEllipse(page.at(x, header.center().y()), page.mm(0.5), page.mm(0.5));
    }
    painter.setPen(kTextInk);
    draw_fitted_text(painter, page.rect({header.left() - 30, header.top(), 28, header.height()}),
                     QStringLiteral("PROGRAMMING HEADER"), sheet_font(5.5, true), 4.5,
                     Qt::AlignRight | Qt::AlignVCenter);
}

// The artwork's corners outside its rounded rim are window colour, not panel.
void draw_face_artwork(Page& page, const QRectF& face, const FaceMap& map) {
    constexpr double kRimRadiusTwips = 22 * 15; // make-artwork.sh draws it with 22 pixels
    QPainterPath outline;
    const double radius = page.mm(map.length(kRimRadiusTwips));
    outline.addRoundedRect(page.rect(face), radius, radius);
    page.painter.save();
    page.painter.setClipPath(outline);
    page.painter.drawImage(page.rect(face), QImage(QStringLiteral(":/sheet/panel.bmp")));
    page.painter.restore();
}

} // namespace

void draw_panel_face(Page& page, const SheetContent& content, const QRectF& area) {
    const QRectF picture = twips(control("Image1"));
    const double face_height = area.height();
    const double face_width = face_height * picture.width() / picture.height();
    const QRectF face(area.center().x() - face_width / 2, area.top(), face_width, face_height);
    const FaceMap map(face);
    draw_face_artwork(page, face, map);

    const double column_width = face.left() - kLabelGap - area.left();
    const LabelColumn columns[] = {{face.left() - kLabelGap, column_width, true},
                                   {face.right() + kLabelGap, column_width, false}};
    const double row_pitch =
        control(kFunctions[2].designation).top - control(kFunctions[0].designation).top;
    const double entry_height = map.length(row_pitch) / 2 - kEntrySpacing;
    double labels_bottom = area.top();

    for (int sw = 0; sw < kSwitchCount; ++sw) {
        const int led = sw + kSwitchCount;
        const FunctionRow& row = kFunctions[sw];
        const LabelColumn& column = columns[row.position % 2 ? 0 : 1];
        const QRectF position =
            map.rect(twips(control(row.designation)) | twips(control(row.module_list)) |
                     twips(control(row.channel_list)));
        const QRectF button =
            position.adjusted(kButtonInset, kButtonInset, -kButtonInset, -kButtonInset);
        const double switch_y = position.center().y() - (entry_height + kEntrySpacing) / 2;
        const double led_y = switch_y + entry_height + kEntrySpacing;
        // The LED sits halfway between the face's edge and its switch.
        const double led_x = column.left ? (face.left() + position.left()) / 2
                                         : (face.right() + position.right()) / 2;

        draw_leader(page, column, switch_y, column.left ? button.left() : button.right(),
                    function_ink(sw));
        draw_leader(page, column, led_y,
                    led_x + (column.left ? -kLedDiameter / 2 : kLedDiameter / 2),
                    function_ink(led));
        if (row.position <= 2)
            draw_column_captions(page, column, switch_y - entry_height / 2 - kCaptionHeight);
        draw_switch(page, button, QString::fromLatin1(row.label));
        draw_led(page, {led_x, led_y});
        draw_entry(page, column, switch_y - entry_height / 2, entry_height, sw,
                   content.functions[sw]);
        draw_entry(page, column, led_y - entry_height / 2, entry_height, led,
                   content.functions[led]);
        labels_bottom = std::max(labels_bottom, led_y + entry_height / 2);
    }
    draw_programming_header(page, map);

    constexpr double kLineHeight = 4;
    constexpr double kGap = 1;
    // Three intensities and two lighting functions, both blocks level below the labels.
    const double lighting_top = labels_bottom + kGap;
    draw_lighting(page, columns[0], lighting_top, kLineHeight, content);
    draw_intensities(page, columns[1], lighting_top, kLineHeight, content);
}

} // namespace kvr::sheet
