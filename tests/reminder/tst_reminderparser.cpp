#include "reminder/ReminderParser.h"
#include "support/JsonRows.h"

#include <QTest>

namespace {

// One line per task: due moment, period window, sound, popup, weekday, day, month, year,
// message and source.
QString describe(const std::vector<ReminderNode> &tasks)
{
    QStringList lines;
    for (const ReminderNode &t : tasks) {
        const PeriodInfo p = t.period.value_or(PeriodInfo{});
        lines.append(QString::asprintf("%s %s ", qPrintable(t.date.toString("yyyy-MM-dd")),
                                       qPrintable(t.time.toString("HH:mm"))) +
                     (t.period ? QString::asprintf("every %d from %s%s%+d to %s ", p.minutes,
                                                   qPrintable(p.start.toString("HH:mm")),
                                                   p.startWritten ? "!" : "", p.offset,
                                                   qPrintable(p.end.toString("HH:mm")))
                               : QString()) +
                     QString::asprintf("s%dp%d w%d d%d m%d y%d <", t.sound, t.popup, t.weekday,
                                       t.day, t.month, t.year) +
                     t.message + "> [" + t.source + "]");
    }
    return lines.join('\n');
}

} // namespace

class TestReminderParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data() { JSON_ROWS("text", "log", "tasks"); }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, log);
        QFETCH(QString, tasks);
        if (!log.isEmpty())
            log += '\n';
        ReminderParser parser;
        const int result = parser.parse(text == "@example" ? ReminderParser::exampleText() : text,
                                        QDate(2005, 4, 10), QTime(10, 20, 30));
        QCOMPARE(parser.errorLog(), log);
        QCOMPARE(result < 0, !log.isEmpty());
        QCOMPARE(describe(parser.tasks()), tasks);
    }
};

QTEST_GUILESS_MAIN(TestReminderParser)
#include "tst_reminderparser.moc"
