#pragma once
// For the start-up benchmark: the window's first paint prints the monotonic clock
// ("shown <nanoseconds>") and ends the program.

class QWidget;

void install_startup_probe(QWidget* window);
