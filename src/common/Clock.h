#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// The program's one source of dates and times. The start date is taken once, at the first
// question, so that theme dates stored as day counts stay fixed for the whole run.
namespace Clock {

QDate startDate();
QDate today();
QTime time();
QDateTime now();

// Tests fix the clock; an invalid value returns to the system clock.
void setStartDate(const QDate &date);
void setNow(const QDateTime &now);
// The end-to-end build runs the system clock ahead, so a scenario meets a due minute in seconds.
void setSecondsAhead(qint64 seconds);

} // namespace Clock
