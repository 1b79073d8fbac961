#pragma once
// The controls of one of the window's 22 functions, as the layout table builds them.

class QLineEdit;
class QListWidget;
class QWidget;

struct FunctionControls {
    QListWidget* module = nullptr;
    QListWidget* channel = nullptr;
    QLineEdit* designation = nullptr;
    QWidget* intensity_list = nullptr;
    QWidget* intensity_label = nullptr;
};
