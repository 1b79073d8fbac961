// A screen smaller than the window (a netbook, high scaling) gets the same fixed layout
// inside a scroll area, so that every control can still be reached. The scroll area is
// built only then: on a screen large enough the window is its fixed client area.

#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "form1.h"

using namespace kvr;

QSize Form1::client_size() {
    return {kClientWidth / kTwipsPerPixel, kClientHeight / kTwipsPerPixel};
}

void Form1::fit_to_screen(const QSize& available) {
    const QSize client = client_size();
    if (scroll_area_ ||
        (available.width() >= client.width() && available.height() >= client.height()))
        return;
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("CONTENT"));
    content->setFixedSize(client);
    // Moved with their places, which count from the content's corner as they did from the
    // window's; a widget given a new parent is hidden until shown again.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) continue;
        const bool hidden = child->isHidden();
        child->setParent(content);
        child->setHidden(hidden);
    }
    scroll_area_ = new QScrollArea(this);
    scroll_area_->setObjectName(QStringLiteral("SCROLL_AREA"));
    scroll_area_->setFrameShape(QFrame::NoFrame);
    scroll_area_->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_area_);

    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setMinimumSize(0, 0);
    setMaximumSize(client + QSize(bar, bar));
    resize(available.boundedTo(maximumSize()));
}
