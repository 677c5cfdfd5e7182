#include "reminder/ReminderParser.h"

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
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("tasks");
        // Parsed on Sunday 10 April 2005 at 10:20:30.
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("example: one comment") << ReminderParser::exampleText() << ""
                                              << "";
        QTest::newRow("unknown task, lines counted")
                << "8:0\n\n 9:00\n-1:00 x\n"
                << "Unknown task[2, 0]\nUnknown task[3, 0]\n"
                << "2005-04-10 08:00 s1p1 w0 d0 m0 y0 <> [8:0]";
        QTest::newRow("options, doubled quote, rest after the message ignored")
                << "8:05 sound=0 POPUP=0 weekly=14 \"a\"\"b\" sound=1 x"
                << ""
                << "2005-04-10 08:05 s0p0 w7 d0 m0 y0 <a\"\"b> [8:05 sound=0 POPUP=0 weekly=14 "
                   "\"a\"\"b\" sound=1 x]";
        QTest::newRow("line without message or comment is its own source")
                << "8:00\n9:00 sound=0  \n"
                << ""
                << "2005-04-10 08:00 s1p1 w0 d0 m0 y0 <> [8:00]\n"
                   "2005-04-10 09:00 s0p1 w0 d0 m0 y0 <> [9:00 sound=0]";
        QTest::newRow("dates: day, day and month, full, short year")
                << "1:00 date=25 //a\n2:00 date=31\n3:00 date=29.2\n4:00 date=1.1.5\t/*c*/"
                << ""
                << "2005-04-25 01:00 s1p1 w0 d25 m0 y0 <> [1:00 date=25 ]\n"
                   "2005-05-31 02:00 s1p1 w0 d31 m0 y0 <> [2:00 date=31]\n"
                   "2008-02-29 03:00 s1p1 w0 d0 m2 y0 <> [3:00 date=29.2]\n"
                   "2005-01-01 04:00 s1p1 w0 d0 m0 y2005 <> [4:00 date=1.1.5\t]";
        QTest::newRow("periodic; a block comment over lines ends the task")
                << "PERIOD=5 START=8:00 End=9:00 offset=-5 /* a\nb */\nperiod=7 sound=0"
                << ""
                << "2005-04-10 10:20 every 5 from 08:00!-5 to 09:00 s1p1 w0 d0 m0 y0 <> "
                   "[PERIOD=5 START=8:00 End=9:00 offset=-5 ]\n"
                   "2005-04-10 10:20 every 7 from 10:20+0 to  s0p1 w0 d0 m0 y0 <> "
                   "[period=7 sound=0]";
        QTest::newRow("= expected, unknown teg, skips")
                << "8:00 date5 dat=5 start=1:00\nperiod=5 sx=1 so=1 e=1"
                << "= expected[0, 9]\ndate=<day>[.<month>[.<year>]] [0, -1]\nUnknown teg[0, 11]\n"
                   "date=<day>[.<month>[.<year>]] [0, -1]\nUnknown teg[0, 17]\nsound=<0|1> [0, "
                   "-1]\nUnknown teg[1, 9]\nUnknown teg[1, 14]\nsound=<0|1> [0, -1]\n"
                   "Unknown teg[1, 19]\nend=<0-23>:<0-59> [0, -1]\n"
                << "";
        QTest::newRow("numbers")
                << "period=0\nperiod=x\n8:00 weekly=0 offset=1\nperiod=5 offset=x"
                << "Positive number expected[0, 8]\nperiod=<positive number> [0, -1]\n"
                   "Positive number expected[1, 7]\nperiod=<positive number> [0, -1]\n"
                   "Positive number expected[2, 13]\nweekly=<1|2|3|4|5|6|7> [0, -1]\n"
                   "Unexpected simbol[2, 14]\nNumber expected[3, 16]\nperiod=<number> [0, -1]\n"
                << "";
        QTest::newRow("0 or 1, value end")
                << "8:00 popup=2 sound=10 weekly=1x\n8:00x"
                << "'0' or '1' expected[0, 11]\npopup=<0|1> [0, -1]\nUnexpected simbol[0, 20]\n"
                   "sound=<0|1> [0, -1]\nUnexpected simbol[0, 30]\n"
                   "weekly=<1|2|3|4|5|6|7> [0, -1]\nUnexpected simbol[1, 4]\n<0-23>:<0-59> [0, "
                   "-1]\n"
                << "";
        QTest::newRow("a character beyond 16 bits is one column")
                << "/*\U0001F600*/8:00x"
                << "Unexpected simbol[0, 9]\n<0-23>:<0-59> [0, -1]\n"
                << "";
        QTest::newRow("dates in error")
                << "8:00 date=x date=5. date=5.3. date=29.2.2005 date=0 date=1.13"
                << "Day expected[0, 10]\ndate=<day>[.<month>[.<year>]] [0, -1]\n"
                   "Month expected[0, 19]\ndate=<day>[.<month>[.<year>]] [0, -1]\n"
                   "Year expected[0, 29]\ndate=<day>[.<month>[.<year>]] [0, -1]\n"
                   "Date is invalid[0, 35]\ndate=<day>[.<month>[.<year>]] [0, -1]\n"
                   "Date is invalid[0, 50]\ndate=<day>[.<month>[.<year>]] [0, -1]\n"
                   "Date is invalid[0, 57]\ndate=<day>[.<month>[.<year>]] [0, -1]\n"
                << "";
        QTest::newRow("times")
                << "8.00\n24:00 \"a\"\nperiod=5 start=8:x end=x:00 start=-1:00"
                << "':' expected[0, 1]\n<0-23>:<0-59> [0, -1]\nUnexpected simbol[0, 1]\n"
                   "Time is invalid[1, 0]\n<0-23>:<0-59> [0, -1]\n"
                   "Positive number expected[2, 17]\nstart=<0-23>:<0-59> [0, -1]\n"
                   "Positive number expected[2, 23]\nend=<0-23>:<0-59> [0, -1]\n"
                   "Time is invalid[2, 34]\nstart=<0-23>:<0-59> [0, -1]\n"
                << "";
        QTest::newRow("comments and messages in error")
                << "8:00 /x\n/\n8:00 \"abc\n9:00 /* open"
                << "May be not full start of comment[0, 5]\n/*<any text>*/[0, -1]\n"
                   "May be not full start of comment[1, 0]\n/*<any text>*/[0, -1]\n"
                   " \" expected[2, 9]\n\"<any text>\"[0, -1]\n"
                   "Not found end of comment[3, 12]\n/*<any text>*/[0, -1]\n"
                << "";
        QTest::newRow("one-line comment: the next option must follow at once")
                << "8:00 /*a*/ sound=0\n9:00 /*a*/sound=0"
                << "Unexpected simbol[0, 10]\n"
                << "2005-04-10 09:00 s0p1 w0 d0 m0 y0 <> [9:00 ]";
        QTest::newRow("window checks at the line end")
                << "period=60 start=23:30 offset=40\nperiod=60 start=0:10 offset=-20 //x\n"
                   "period=9 end=10:00 x"
                << "Start and end time mismatch[0, 31]\nStart time and offset mismatch[1, 35]\n"
                   "Unexpected simbol[2, 19]\nStart and end time mismatch[2, 20]\n"
                << "";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, log);
        QFETCH(QString, tasks);
        ReminderParser parser;
        const int result = parser.parse(text, QDate(2005, 4, 10), QTime(10, 20, 30));
        QCOMPARE(parser.errorLog(), log);
        QCOMPARE(result < 0, !log.isEmpty());
        QCOMPARE(describe(parser.tasks()), tasks);
    }
};

QTEST_GUILESS_MAIN(TestReminderParser)
#include "tst_reminderparser.moc"
