#pragma once
// The kinds of control that Qt does not have as they are needed here.

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QWidget>

// A push button whose caption wraps onto several lines, centred, like the long captions
// of the operation buttons need.
class WrappingButton : public QPushButton {
    Q_OBJECT
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// An option button whose caption wraps beside its indicator when one line is too short.
class WrappingRadioButton : public QRadioButton {
    Q_OBJECT
  public:
    using QRadioButton::QRadioButton;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// A single-choice list whose current entry is always the chosen one, and the only one
// highlighted. Qt's list makes the first entry current when it gets the keyboard focus with
// nothing chosen, and lets Ctrl+click clear the highlight while the entry stays current:
// either way the program would take an entry the operator never chose. Here only a click
// or a key that moves to an entry chooses it, and a chosen entry can only be replaced, never
// cleared. A handler that moves the list to another entry while the click or key is still
// being handled (the intensity rule) keeps its entry: the highlight follows the current
// entry, never the place that was clicked.
class ChoiceList : public QListWidget {
    Q_OBJECT
  public:
    using QListWidget::QListWidget;

  protected:
    void focusInEvent(QFocusEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
};

// A straight line, two pixels wide, across its own rectangle: horizontal when the
// rectangle is flat, vertical otherwise.
class LineControl : public QWidget {
    Q_OBJECT
  public:
    explicit LineControl(bool horizontal, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool horizontal_;
};

inline constexpr int kLinePixels = 2;

// A frame whose outline runs along its own rectangle, with the title just inside the top
// line. Qt's group box puts the line below the title, where the lists at the top of these
// frames lie and would hide it.
class OutlinedFrame : public QGroupBox {
    Q_OBJECT
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The status box: read-only, centred, without a frame of its own and with no margin above
// or below, so that its small rectangle holds whole sentences. A text that does not fit in
// the box's font is shown in the largest smaller size that holds it, down to
// kSmallestStatusPoints; only a text too long even for that scrolls.
class StatusBox : public QTextEdit {
    Q_OBJECT
  public:
    explicit StatusBox(QWidget* parent = nullptr);

    // The point size the current text is shown in.
    qreal shown_point_size() const { return document()->defaultFont().pointSizeF(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void fit_text();
};

inline constexpr qreal kSmallestStatusPoints = 6.0;
