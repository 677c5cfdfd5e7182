#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// The window of a periodic task: it rings every `minutes` from start + offset until end.
struct PeriodInfo
{
    QTime start; // the parse time unless start= was written
    QTime end;   // invalid when no end= was written
    int offset = 0;
    int minutes = 1;
    bool startWritten = false;

    bool operator==(const PeriodInfo &other) const
    {
        return start == other.start && end == other.end && offset == other.offset &&
               minutes == other.minutes;
    }
};

// One reminder task: when it is due next, what it says, and how it repeats.
struct ReminderNode
{
    bool stale = false;
    QDate date; // due date
    QTime time; // due time, whole minutes
    bool sound = true;
    bool popup = true;
    QString message;
    std::optional<PeriodInfo> period;
    int day = 0;     // date= gave a day alone: that day (repeats monthly)
    int month = 0;   // date= gave a day and a month: that month (repeats yearly)
    int year = 0;    // date= gave a full date: that year (rings once)
    int weekday = 0; // weekly=: 1 Monday ... 7 Sunday
    // The text of the task's line that identifies it across parses.
    QString source;

    bool hasDateForm() const { return day != 0 || month != 0 || year != 0; }
    // Equal tasks ring at the same moment with the same message and the same rules.
    bool sameTask(const ReminderNode &other) const
    {
        return date == other.date && time == other.time && sound == other.sound &&
               popup == other.popup && message == other.message && weekday == other.weekday &&
               period == other.period;
    }
};
