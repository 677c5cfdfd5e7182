#pragma once

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <ctime>
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

// Wall-clock and processor time of this thread, in ms: with many programs sharing the cores, the
// processor time tells what the work costs on a machine of its own.
class Stopwatch
{
public:
    Stopwatch() { start(); }
    void start()
    {
        m_wall.start();
        m_cpu = cpuNow();
    }
    QByteArray text() const
    {
        return QByteArray::number(double(m_wall.nsecsElapsed()) / 1e6, 'f', 1) + " ms (cpu " +
               QByteArray::number(cpuNow() - m_cpu, 'f', 1) + " ms)";
    }
    double cpu() const { return cpuNow() - m_cpu; }

private:
    static double cpuNow()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};
