#pragma once
// The kinds of control that Qt does not have as they are needed here.

#include <QPushButton>
#include <QRadioButton>
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
