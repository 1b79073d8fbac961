#pragma once
// The wall-clock time of a piece of work, in milliseconds, as the benchmarks print it.

#include <QElapsedTimer>

template <typename Work> double milliseconds(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}
