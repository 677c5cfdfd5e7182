#pragma once

#include "common/Clock.h"

// Sets the program's start date and "now" (noon of that day) for a test; resetClock() returns
// to the real clock.
inline void fixClock(const QDate &day)
{
    Clock::setStartDate(day);
    Clock::setNow(QDateTime(day, QTime(12, 0)));
}

inline void resetClock()
{
    Clock::setNow({});
    Clock::setStartDate({});
}
