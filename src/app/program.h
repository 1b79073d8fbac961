#pragma once
// kvr-config's start: reads the command line, builds the window, starts the simulated panel
// when asked and runs until the window closes; returns the exit code. before_show sees the
// window just before it is first shown.

#include <functional>

class QWidget;

int run_kvr_config(int& argc, char** argv, const std::function<void(QWidget*)>& before_show = {});
