// Text that must stay inside its place on the sheet: shrunk first, wrapped next, and only
// when neither holds it cut, with an ellipsis that says so.

#include <algorithm>

#include <QFontMetricsF>
#include <QTextLayout>

#include "sheet_drawing.h"

namespace kvr::sheet {
namespace {

constexpr double kSizeStep = 0.25;

struct WrappedText {
    QStringList lines;
    QList<int> starts; // where each line begins in the text
    double line_height = 0;
};

WrappedText wrap(const QString& text, const QFont& font, double width, QPaintDevice* device) {
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    WrappedText wrapped;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        wrapped.lines << text.mid(line.textStart(), line.textLength()).trimmed();
        wrapped.starts << line.textStart();
    }
    layout.endLayout();
    wrapped.line_height = QFontMetricsF(font, device).lineSpacing();
    return wrapped;
}

// The smallest size's lines cut to what the box holds, the last one ending in an ellipsis.
void cut_to_fit(WrappedText& wrapped, const QString& text, const QFont& font, double width,
                double height, QPaintDevice* device) {
    const auto fitting =
        std::max<qsizetype>(1, static_cast<qsizetype>(height / wrapped.line_height));
    const qsizetype last = fitting - 1;
    const QFontMetricsF metrics(font, device);
    const QString rest = text.mid(wrapped.starts[last]).trimmed();
    wrapped.lines = wrapped.lines.mid(0, last) << metrics.elidedText(rest, Qt::ElideRight, width);
}

} // namespace

void draw_fitted_text(QPainter& painter, const QRectF& box, const QString& text, QFont font,
                      double smallest_points, Qt::Alignment alignment) {
    QPaintDevice* device = painter.device();
    WrappedText wrapped;
    for (double size = font.pointSizeF();; size -= kSizeStep) {
        font.setPointSizeF(std::max(size, smallest_points));
        wrapped = wrap(text, font, box.width(), device);
        if (wrapped.lines.size() * wrapped.line_height <= box.height()) break;
        if (size <= smallest_points) {
            cut_to_fit(wrapped, text, font, box.width(), box.height(), device);
            break;
        }
    }
    painter.save();
    painter.setFont(font);
    const double block = wrapped.lines.size() * wrapped.line_height;
    double top = box.top();
    if (alignment & Qt::AlignVCenter) top += (box.height() - block) / 2;
    if (alignment & Qt::AlignBottom) top += box.height() - block;
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    for (const QString& line : wrapped.lines) {
        painter.drawText(QRectF(box.left(), top, box.width(), wrapped.line_height),
                         horizontal | Qt::AlignVCenter | Qt::TextDontClip, line);
        top += wrapped.line_height;
    }
    painter.restore();
}

} // namespace kvr::sheet
