// The reminder: parsing and scheduling a long task text, and the cost of a clock tick with
// nothing due as the list grows. Usage: bench_reminder [lines]
#include "common/Clock.h"
#include "common/Sound.h"
#include "reminder/Reminder.h"

#include "BenchTimer.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

const QDateTime parsed(QDate(2005, 4, 10), QTime(0, 0, 30));

// Every kind of task line, each with its own message so that every line is a task of its own.
QString taskText(int lines)
{
    static const char *const forms[] = {"%1:%2 \"daily %3 %4\"",
                                        "%1:%2 date=25 \"monthly %3\" //note %4",
                                        "%1:%2 date=%4.12 sound=0 \"yearly %3\"",
                                        "%1:%2 weekly=%4 popup=0 \"weekly %3\"",
                                        "period=%4 start=%1:%2 end=23:59 offset=1 \"periodic %3\"",
                                        "%1:%2 date=%4.12.2030 \"once %3\" /* a comment */"};
    QString text;
    for (int i = 0; i < lines; ++i) {
        text += QString::fromLatin1(forms[i % 6])
                        .arg(1 + i % 22)
                        .arg(i % 60)
                        .arg(i)
                        .arg(1 + i % 28) +
                u'\n';
    }
    return text;
}

// Microseconds per tick with nothing due, over a list of `tasks` tasks.
double tickMicroseconds(int tasks)
{
    Reminder reminder;
    QString text;
    for (int i = 0; i < tasks; ++i)
        text += QStringLiteral("23:59 date=%1.12.2030 \"t%2\"\n").arg(1 + i % 28).arg(i);
    reminder.update(text, parsed.date(), parsed.time());
    constexpr int ticks = 20000;
    const double ms = bestMilliseconds(5, [&] {
        for (int i = 0; i < ticks; ++i)
            reminder.iterate();
    });
    return ms * 1000 / ticks;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    Sound::setPlayer([](const QString &) {});
    Clock::setNow(parsed);
    const QString text = taskText(lines);
    int scheduled = 0;
    const double parse = bestMilliseconds(5, [&] {
        Reminder reminder;
        if (reminder.update(text, parsed.date(), parsed.time()) != 0)
            std::fprintf(stderr, "unexpected errors:\n%s", qPrintable(reminder.errorLog()));
        scheduled = int(reminder.tasks().size());
    });
    std::printf("parse and schedule %d lines (%d tasks): %.1f ms\n", lines, scheduled, parse);

    // The clock is fixed, so each tick costs the same except for the look at the list.
    const double small = tickMicroseconds(1);
    const double large = tickMicroseconds(100000);
    std::printf("tick, nothing due: %.3f us with 1 task, %.3f us with 100000 tasks (ratio %.2f)\n",
                small, large, large / small);
    return 0;
}
