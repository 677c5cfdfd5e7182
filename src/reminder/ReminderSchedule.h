#pragma once

#include "reminder/ReminderNode.h"

#include <QDate>
#include <QString>
#include <QTime>

// When a task rings: the arithmetic of due moments, apart from any list or widget.
namespace ReminderSchedule {

// Minutes since a fixed origin: tasks compare by this key. Seconds are dropped.
qint64 momentKey(const QDate &date, const QTime &time);

// Gives a freshly parsed task its first due moment, no earlier than the parse moment (seconds
// included). Daily tasks start on `today`, weekly ones in the week of the parse date, periodic
// ones on their grid start + offset + k * period; a repeating task whose moment has passed
// moves on to its next occurrence. False when the task never rings (a one-time task in the
// past).
bool placeNewTask(ReminderNode &task, const QDate &today, const QDate &parseDate,
                  const QTime &parseTime);

// Moves a task that has just rung on to its next due moment after the minute `now`; false when
// it rings no more.
bool moveOn(ReminderNode &task, const QTime &now);

// The next date on which the task's date rule lets it ring; false for a one-time task.
bool nextDate(ReminderNode &task);

// " 5.03.2005     8:00    message": how a due task is listed in the message window.
QString dueLine(const ReminderNode &task);

} // namespace ReminderSchedule
