#pragma once
// The menu bar and the entries of it that the window enables, disables and fills as it goes.

#include <QList>

class QAction;
class QMenu;
class QMenuBar;

struct MenuActions {
    QMenuBar* bar = nullptr;
    QMenu* file = nullptr;
    QAction* recent_end = nullptr; // the recent files stand before it
    QList<QAction*> recent;
    QList<QAction*> operations; // disabled while an operation runs
    QAction* take = nullptr;
    QAction* undo = nullptr; // also on the panel picture
    QAction* redo = nullptr;
};
