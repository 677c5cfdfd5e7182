#include "tree/ProgressSteps.h"

#include <QCoreApplication>
#include <QProgressBar>

#include <limits>

namespace {
constexpr int valuesShown = 200; // finer than the bar's pixels and its percent text
constexpr int eventsEveryMs = 40;
} // namespace

ProgressSteps::ProgressSteps(QProgressBar *bar, Repaint repaint)
    : m_bar(bar)
    , m_repaint(repaint == Repaint::Yes)
{
    // Without a bar there is nothing to advance or to repaint.
    m_next = m_bar ? 0 : std::numeric_limits<qint64>::max();
}

void ProgressSteps::start(qint64 total)
{
    if (!m_bar)
        return;
    m_total = total;
    m_step = qMax<qint64>(1, total / valuesShown);
    m_bar->reset();
    m_bar->setMaximum(int(qMin<qint64>(total, std::numeric_limits<int>::max())));
    m_bar->setValue(0);
    m_shown = 0;
    m_next = m_step;
    m_sinceEvents.start();
}

void ProgressSteps::advance(qint64 value)
{
    m_next = value + m_step;
    if (value != m_shown) {
        m_shown = value;
        m_bar->setValue(int(qMin<qint64>(value, m_bar->maximum())));
    }
    if (m_repaint && m_sinceEvents.elapsed() >= eventsEveryMs) {
        // Repaints only: user input waits, and so do the timers (an autosave would only wait
        // for the tree to become stable).
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::X11ExcludeTimers);
        m_sinceEvents.start();
    }
}

void ProgressSteps::finish()
{
    if (m_bar)
        m_bar->setValue(m_bar->maximum());
}
