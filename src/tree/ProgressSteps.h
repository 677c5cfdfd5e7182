#pragma once

#include <QElapsedTimer>

class QProgressBar;

// A progress bar fed once per theme or line of a large tree: the bar is set about 25 times a
// second at most (every value it shows a change for costs it a repaint), and then, when asked,
// the windows are let to repaint. User input and timers wait meanwhile, as they would
// in a program that does not process events.
class ProgressSteps
{
public:
    enum class Repaint { No, Yes };

    ProgressSteps(QProgressBar *bar, Repaint repaint);
    // Resets the bar to 0 of total.
    void start(qint64 total);
    void setValue(qint64 value)
    {
        if (value >= m_next)
            advance(value);
    }
    void finish();

private:
    void advance(qint64 value);

    QProgressBar *m_bar;
    bool m_repaint;
    qint64 m_total = 0;
    qint64 m_step = 1;
    qint64 m_next = 0;
    qint64 m_shown = -1;
    QElapsedTimer m_sinceShown;
};
