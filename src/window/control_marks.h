#pragma once
// Frames of a colour on controls, each with a tooltip of its own, given back as they were.

#include <QString>
#include <vector>

class QWidget;

class ControlMarks {
  public:
    void mark(QWidget* control, const QString& style_sheet, const QString& tooltip);
    // Every control gets back the style sheet and tooltip it had before its first mark.
    void clear();

  private:
    struct Mark {
        QWidget* control;
        QString tooltip;
        QString style_sheet;
    };
    std::vector<Mark> marks_;
};
