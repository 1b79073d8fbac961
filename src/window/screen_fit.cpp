// A screen smaller than the window (a netbook, high scaling) gets the same fixed layout
// inside a scroll area, below the menu bar, so that every control can still be reached. The
// scroll area is built only then: on a screen large enough the window is its menu bar and
// its fixed client area.

#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "form1.h"

using namespace kvr;

QSize Form1::client_size() {
    return {kClientWidth / kTwipsPerPixel, kClientHeight / kTwipsPerPixel};
}

void Form1::fit_to_screen(const QSize& available) {
    const QSize window = size(); // the client area and the menu bar above it
    if (scroll_area_ ||
        (available.width() >= window.width() && available.height() >= window.height()))
        return;
    scroll_area_ = new QScrollArea(this);
    scroll_area_->setObjectName(QStringLiteral("SCROLL_AREA"));
    scroll_area_->setFrameShape(QFrame::NoFrame);
    // The client area moves whole, its controls' places counting from its corner as before.
    // The layout hands back the item that held it, which is ours to delete.
    delete layout()->replaceWidget(client_, scroll_area_);
    scroll_area_->setWidget(client_);

    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setMinimumSize(0, 0);
    setMaximumSize(window + QSize(bar, bar));
    resize(available.boundedTo(maximumSize()));
}
