#include "reminder/ReminderSchedule.h"

#include <optional>

namespace ReminderSchedule {
namespace {

constexpr qint64 minutesPerDay = 24 * 60;

qint64 minuteOfDay(const QTime &time)
{
    return time.hour() * 60 + time.minute();
}

QTime timeOfMinute(qint64 minute)
{
    return QTime(int(minute / 60), int(minute % 60));
}

// Where a day of a periodic task starts: on its grid (start + offset, which the parser keeps
// inside the day) when start= was written, else at midnight.
qint64 windowStart(const PeriodInfo &period)
{
    return period.startWritten ? minuteOfDay(period.start) + period.offset : 0;
}

// The last minute of the day a periodic task may ring at: its end= when written; else the
// day's last minute for a task whose line names its days, so that it leaves the day by its date
// step; else none, and a daily task's grid runs on across midnight.
std::optional<qint64> lastMinute(const ReminderNode &task)
{
    if (task.period->end.isValid())
        return minuteOfDay(task.period->end);
    if (task.weekday != 0 || task.hasDateForm())
        return minutesPerDay - 1;
    return std::nullopt;
}

// Sets the due time to `minute` counted from the start of the due date, whole days rolled over.
void setDueMinute(ReminderNode &task, qint64 minute)
{
    task.date = task.date.addDays(minute / minutesPerDay);
    task.time = timeOfMinute(minute % minutesPerDay);
}

} // namespace

qint64 momentKey(const QDate &date, const QTime &time)
{
    return date.toJulianDay() * minutesPerDay + minuteOfDay(time);
}

bool placeNewTask(ReminderNode &task, const QDate &today, const QDate &parseDate,
                  const QTime &parseTime)
{
    if (task.weekday != 0)
        task.date = parseDate.addDays(((task.weekday - parseDate.dayOfWeek()) % 7 + 7) % 7);
    else if (!task.hasDateForm())
        task.date = today;
    if (task.period) {
        const PeriodInfo &period = *task.period;
        qint64 due = minuteOfDay(period.start) + period.offset;
        if (task.date == parseDate) {
            // The first grid point at or after the parse moment, seconds included.
            const qint64 second = parseTime.msecsSinceStartOfDay() / 1000;
            const qint64 step = qint64(period.minutes) * 60;
            if (due * 60 < second)
                due += (second - due * 60 + step - 1) / step * period.minutes;
        }
        if (const auto last = lastMinute(task); last && due > *last) {
            task.time = timeOfMinute(windowStart(period));
            if (!nextDate(task))
                return false;
        } else {
            setDueMinute(task, due);
        }
    }
    // A repeating task whose time has passed rings at its next occurrence; a one-time task in
    // the past never rings.
    while (task.date < parseDate || (task.date == parseDate && task.time < parseTime)) {
        if (!nextDate(task))
            return false;
    }
    return true;
}

bool moveOn(ReminderNode &task, const QTime &now)
{
    if (task.period) {
        const PeriodInfo &period = *task.period;
        const qint64 current = minuteOfDay(now);
        qint64 due = minuteOfDay(task.time) + period.minutes;
        if (due <= current)
            due += ((current - due) / period.minutes + 1) * period.minutes;
        if (const auto last = lastMinute(task); !last || due <= *last) {
            setDueMinute(task, due);
            return true;
        }
        task.time = timeOfMinute(windowStart(period));
    }
    return nextDate(task);
}

// A task never rings on a day its line does not name: the 31st waits for the next month with
// a 31st, the 29 February for the next leap year.
bool nextDate(ReminderNode &task)
{
    if (task.weekday != 0) {
        task.date = task.date.addDays(7);
        return true;
    }
    if (task.day != 0) {
        const QDate monthStart(task.date.year(), task.date.month(), 1);
        for (int months = 1; months <= 12; ++months) {
            const QDate next = monthStart.addMonths(months);
            const QDate date(next.year(), next.month(), task.day);
            if (date.isValid()) {
                task.date = date;
                return true;
            }
        }
        return false;
    }
    if (task.month != 0) {
        for (int years = 1; years <= 8; ++years) {
            const QDate date(task.date.year() + years, task.month, task.date.day());
            if (date.isValid()) {
                task.date = date;
                return true;
            }
        }
        return false;
    }
    if (task.year != 0)
        return false;
    task.date = task.date.addDays(1);
    return true;
}

QString dueLine(const ReminderNode &task)
{
    return QString::asprintf("%2d.%02d.%d    %2d:%02d    ", task.date.day(), task.date.month(),
                             task.date.year(), task.time.hour(), task.time.minute()) +
           task.message;
}

} // namespace ReminderSchedule
