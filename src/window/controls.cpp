#include "controls.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextDocument>

namespace {

constexpr int kFrameTitleInset = 6;
constexpr int kStatusSideMargin = 1;
constexpr qreal kStatusPointStep = 0.25;

} // namespace

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap, text());
}

void WrappingRadioButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
    option.rect = indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorRadioButton, option);
    const int gap = style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option, this);
    QRect caption = rect();
    caption.setLeft(indicator.right() + 1 + gap);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

LineControl::LineControl(bool horizontal, QWidget* parent)
    : QWidget(parent), horizontal_(horizontal) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(horizontal_ ? QRect(0, 0, width(), kLinePixels)
                                 : QRect(0, 0, kLinePixels, height()),
                     palette().color(QPalette::WindowText));
}

void ChoiceList::focusInEvent(QFocusEvent* event) {
    if (currentIndex().isValid()) {
        QListWidget::focusInEvent(event);
        return;
    }
    // Skips the item view's own handling, which would make the first entry current.
    QWidget::focusInEvent(event);
    viewport()->update();
}

QItemSelectionModel::SelectionFlags ChoiceList::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                           : command;
}

// Qt's mouse and key handling make the entry current first, which runs the list's handler,
// and then select the entry under the pointer or the cursor.
void ChoiceList::setSelection(const QRect&, QItemSelectionModel::SelectionFlags command) {
    if (currentIndex().isValid()) selectionModel()->select(currentIndex(), command);
}

void OutlinedFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    style()->drawItemText(&painter, rect().adjusted(kFrameTitleInset, 1, -kFrameTitleInset, 0),
                          Qt::AlignLeft | Qt::AlignTop, palette(), isEnabled(), title(),
                          QPalette::WindowText);
}

StatusBox::StatusBox(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    // The side margins take the status colour too.
    setViewportMargins(kStatusSideMargin, 0, kStatusSideMargin, 0);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(0);
    QTextOption centred(Qt::AlignCenter);
    // A long device path breaks rather than running off the side.
    centred.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setDefaultTextOption(centred);
    connect(this, &QTextEdit::textChanged, this, &StatusBox::fit_text);
}

void StatusBox::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    fit_text();
}

void StatusBox::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event); // a new font becomes the document's font
    if (event->type() == QEvent::FontChange) fit_text();
}

void StatusBox::fit_text() {
    // The room without a scroll bar: a text that fits needs none.
    const QSize room = contentsRect().size() - QSize(2 * kStatusSideMargin, 0);
    QTextDocument trial;
    trial.setDocumentMargin(0);
    trial.setDefaultTextOption(document()->defaultTextOption());
    trial.setTextWidth(room.width());
    trial.setPlainText(toPlainText());
    QFont shown = font();
    trial.setDefaultFont(shown);
    while (trial.size().height() > room.height() &&
           shown.pointSizeF() - kStatusPointStep >= kSmallestStatusPoints) {
        shown.setPointSizeF(shown.pointSizeF() - kStatusPointStep);
        trial.setDefaultFont(shown);
    }
    // Qt keeps the scroll bar of a longer text as long as the new text overflows the
    // narrower page it leaves, though it would fit the full width.
    const bool fits = trial.size().height() <= room.height();
    setVerticalScrollBarPolicy(fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    document()->setDefaultFont(shown);
}
