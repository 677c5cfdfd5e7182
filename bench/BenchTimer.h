#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <limits>

// Runs prepare() untimed and work() timed, `runs` times; returns the best time of work() in ms.
template<typename Prepare, typename Work>
double bestMilliseconds(int runs, Prepare prepare, Work work)
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

template<typename Work>
double bestMilliseconds(int runs, Work work)
{
    return bestMilliseconds(
            runs, [] {}, work);
}
