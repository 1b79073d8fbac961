#pragma once
// The wall-clock time of a piece of work, in milliseconds, as the benchmarks print it.

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

template <typename Work> double milliseconds(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// Fills the log with count entries made by entry_of(n), a few thousand to a transaction, as
// a busy fleet of stations would have left it; ends the benchmark when the log refuses one.
template <typename Log, typename EntryOf> double milliseconds_to_fill(Log& log, int count,
                                                                      EntryOf&& entry_of) {
    constexpr int batch_size = 5000;
    return milliseconds([&] {
        for (int first = 0; first < count; first += batch_size) {
            std::vector<decltype(entry_of(0))> batch;
            for (int n = first; n < std::min(count, first + batch_size); ++n)
                batch.push_back(entry_of(n));
            if (const auto result = log.record_all(batch); !result.logged) {
                std::fprintf(stderr, "%s\n", qPrintable(result.warning));
                std::exit(1);
            }
        }
    });
}
