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
    m_sinceShown.start();
}

void ProgressSteps::advance(qint64 value)
{
    m_next = value + m_step;
    // A bar repaints at once on every value it shows a change for: a hundred repaints cost a
    // large tree's load a tenth of its time, and the eye sees no more than the frames it gets.
    if (m_sinceShown.elapsed() < eventsEveryMs)
        return;
    if (value != m_shown) {
        m_shown = value;
        m_bar->setValue(int(qMin<qint64>(value, m_bar->maximum())));
    }
    if (m_repaint) {
        // Repaints only: user input waits, and so do the timers (an autosave would only wait
        // for the tree to become stable).
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::X11ExcludeTimers);
    }
    m_sinceShown.start();
}

void ProgressSteps::finish()
{
    if (m_bar)
        m_bar->setValue(m_bar->maximum());
}
