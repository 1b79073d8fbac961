#pragma once
// For the start-up benchmark: with KVR_QUIT_WHEN_SHOWN set in the environment, the first
// paint of the window prints the monotonic clock ("shown <nanoseconds>") and ends the
// program. Without it nothing is installed.

class QWidget;

void install_startup_probe(QWidget* window);
