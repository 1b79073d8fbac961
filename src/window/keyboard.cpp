// The keyboard: undo keys that reach the window from a text box, a focus that can be seen,
// and Tab stops only where there is something to enter.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTextEdit>

#include "form1.h"

using namespace kvr;

namespace {

// A frame drawn round the focused control, above it, letting the mouse through.
class FocusMark final : public QWidget {
  public:
    explicit FocusMark(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("FOCUS_MARK"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(QColor(0, 90, 255), kWidth));
        painter.drawRect(
            QRectF(rect()).adjusted(kWidth / 2.0, kWidth / 2.0, -kWidth / 2.0, -kWidth / 2.0));
    }

  public:
    static constexpr int kWidth = 2;
};

// The window's undo keys reach the window from a text box too, so that typing is undone
// step by step with everything else instead of by the box's own history.
class WindowUndoKeys final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        const bool undo_key = key->matches(QKeySequence::Undo) ||
                              key->matches(QKeySequence::Redo) ||
                              pressed == QKeySequence(Qt::CTRL | Qt::Key_Y);
        return undo_key; // not accepted: the window's shortcut takes it
    }
};

} // namespace

// The operations' keys are the menu bar's (menu_bar.cpp).
void Form1::connect_keyboard() {
    auto* undo_keys = new WindowUndoKeys(this);
    Text2->installEventFilter(undo_keys);
    for (const FunctionControls& controls : functions_)
        if (controls.designation) controls.designation->installEventFilter(undo_keys);

    Text1->setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { show_focus(now); });
}

void Form1::show_focus(QWidget* focused) {
    if (!focused || focused->window() != this || focused == focus_mark_) {
        if (focus_mark_) focus_mark_->hide();
        return;
    }
    if (!focus_mark_) focus_mark_ = new FocusMark(focused->parentWidget());
    focus_mark_->setParent(focused->parentWidget());
    constexpr int w = FocusMark::kWidth;
    focus_mark_->setGeometry(focused->geometry().adjusted(-w, -w, w, w));
    focus_mark_->show();
    focus_mark_->raise();
}

void Form1::run_focus_after_operation() {
    if (focus_after_operation_) focus_after_operation_->setFocus(Qt::OtherFocusReason);
    focus_after_operation_ = nullptr;
}
