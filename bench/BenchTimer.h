#pragma once

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <ctime>
#include <limits>

// Processor time of this thread, in ms: with many programs sharing the cores, it tells what the
// work costs on a machine of its own.
inline double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct BenchTimes
{
    double wall = std::numeric_limits<double>::max();
    double cpu = std::numeric_limits<double>::max();
};

// Runs prepare() untimed and work() timed, `runs` times; returns the best wall-clock and the best
// processor time of work() in ms.
template<typename Prepare, typename Work>
BenchTimes bestTimes(int runs, Prepare prepare, Work work)
{
    BenchTimes best;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        const double cpu = threadCpuMilliseconds();
        timer.start();
        work();
        best.wall = std::min(best.wall, double(timer.nsecsElapsed()) / 1e6);
        best.cpu = std::min(best.cpu, threadCpuMilliseconds() - cpu);
    }
    return best;
}

// The best wall-clock time of work() in ms.
template<typename Prepare, typename Work>
double bestMilliseconds(int runs, Prepare prepare, Work work)
{
    return bestTimes(runs, prepare, work).wall;
}

template<typename Work>
double bestMilliseconds(int runs, Work work)
{
    return bestMilliseconds(
            runs, [] {}, work);
}

// Wall-clock and processor time of this thread since start(), in ms.
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
    static double cpuNow() { return threadCpuMilliseconds(); }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};
