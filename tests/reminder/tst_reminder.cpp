#include "common/Clock.h"
#include "common/Sound.h"
#include "reminder/Reminder.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QDateTime sunday(QDate(2005, 4, 10), QTime(10, 0));

// Ticks at every due moment (10 s into its minute) up to `until`; one entry per ring:
// "dd.MM.yy HH:mm " + the messages of the pass, latest first.
QString runUntil(Reminder &reminder, const QDateTime &until)
{
    QStringList rings;
    for (auto tasks = reminder.tasks(); !tasks.empty(); tasks = reminder.tasks()) {
        const QDateTime due(tasks.front()->date, tasks.front()->time);
        if (due > until)
            break;
        Clock::setNow(due.addSecs(10));
        reminder.iterate();
        QStringList messages;
        for (const QString &line : reminder.messageText().split('\n', Qt::SkipEmptyParts))
            messages.append(line.mid(23));
        rings.append(due.toString("dd.MM.yy HH:mm ") + messages.join(','));
    }
    return rings.join("; ");
}

} // namespace

class TestReminder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        Sound::setPlayer([this](const QString &file) { m_sounds.append(file); });
    }
    void cleanup()
    {
        Sound::setPlayer({});
        Clock::setNow({});
        m_sounds.clear();
    }

    void rings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("parsed");
        QTest::addColumn<QDateTime>("until");
        QTest::addColumn<QString>("rings");
        const QDateTime tuesday = sunday.addDays(2);
        QTest::newRow("daily") << "20:30 \"a\"" << sunday << tuesday
                               << "10.04.05 20:30 a; 11.04.05 20:30 a";
        QTest::newRow("one time: past ones dropped")
                << "8:00 date=1.4.2005 \"past\"\n8:00 date=11.4.5 \"once\"" << sunday
                << tuesday.addDays(9) << "11.04.05 08:00 once";
        // clang-format off
        QTest::newRow("daily written after its time") << "9:00 \"d\"" << sunday << tuesday << "11.04.05 09:00 d; 12.04.05 09:00 d";
        QTest::newRow("weekly written after its time") << "9:59 weekly=7 \"w\"" << sunday << tuesday.addDays(6) << "17.04.05 09:59 w";
        // clang-format on
        QTest::newRow("equal moments: latest first, repeated lines once, bare lines apart")
                << "11:00 \"a\"\n11:00 \"a\"\n11:00\n11:00 sound=0\n11:00 \"b\"" << sunday
                << tuesday << "10.04.05 11:00 b,,,a; 11.04.05 11:00 b,,,a";
        QTest::newRow("monthly") << "8:00 date=25 \"m\"" << sunday << sunday.addMonths(2)
                                 << "25.04.05 08:00 m; 25.05.05 08:00 m";
        QTest::newRow("monthly, parsed after its day")
                << "8:00 date=25 \"m\"" << sunday.addDays(16) << sunday.addMonths(1).addDays(16)
                << "25.05.05 08:00 m";
        QTest::newRow("the 31st waits for months that have it")
                << "8:00 date=31 \"e\"" << sunday.addMonths(-3) << sunday.addMonths(2)
                << "31.01.05 08:00 e; 31.03.05 08:00 e; 31.05.05 08:00 e";
        QTest::newRow("29 February waits for leap years")
                << "8:00 date=29.2 \"f\"" << sunday << sunday.addYears(8)
                << "29.02.08 08:00 f; 29.02.12 08:00 f";
        QTest::newRow("weekly from Monday 13:00")
                << "14:00 weekly=1 \"w\"" << sunday.addSecs(86400 + 3 * 3600) << tuesday.addDays(7)
                << "11.04.05 14:00 w; 18.04.05 14:00 w";
        QTest::newRow("window over: next day from midnight")
                << "period=30 end=20:00 \"p\"" << sunday.addSecs(8 * 3600 + 45 * 60)
                << QDateTime(sunday.date().addDays(1), QTime(0, 30))
                << "10.04.05 18:45 p; 10.04.05 19:15 p; 10.04.05 19:45 p; 11.04.05 00:00 p; "
                   "11.04.05 00:30 p";
        // clang-format off
        QTest::newRow("grid point on the end rings") << "period=60 start=8:0 end=20:00 \"e\"" << sunday.addSecs(8 * 3600 + 1800)
                << sunday.addSecs(22 * 3600) << "10.04.05 19:00 e; 10.04.05 20:00 e; 11.04.05 08:00 e";
        QTest::newRow("no end, one date: deleted when its day ends") << "period=300 start=8:0 date=10.4.2005 \"o\"" << sunday
                << tuesday << "10.04.05 13:00 o; 10.04.05 18:00 o; 10.04.05 23:00 o";
        // clang-format on
        QTest::newRow("no end: on across midnight")
                << "period=20 start=23:50 \"n\"" << sunday
                << QDateTime(sunday.date().addDays(1), QTime(0, 30))
                << "10.04.05 23:50 n; 11.04.05 00:10 n; 11.04.05 00:30 n";
        QTest::newRow("offset grid kept on the next day")
                << "period=60 start=8:0 end=10:00 offset=10 \"o\"" << sunday.addSecs(-3 * 3600)
                << QDateTime(sunday.date().addDays(1), QTime(9, 30))
                << "10.04.05 08:10 o; 10.04.05 09:10 o; 11.04.05 08:10 o; 11.04.05 09:10 o";
        QTest::newRow("first due after the parse moment: a second late is a period late")
                << "period=60 start=8:00 \"g\"\nperiod=45 start=8:00 offset=5 \"h\""
                << sunday.addSecs(1) << sunday.addSecs(3600)
                << "10.04.05 10:20 h; 10.04.05 11:00 g";
        QTest::newRow("first due on the parse minute")
                << "period=60 start=8:00 \"g\"" << sunday << sunday << "10.04.05 10:00 g";
        QTest::newRow("grid past the end: first due tomorrow")
                << "period=60 start=8:00 end=10:00 offset=10 \"o\"" << sunday.addSecs(-1800)
                << sunday.addSecs(86400 - 3600) << "11.04.05 08:10 o";
    }

    void rings()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, parsed);
        QFETCH(QDateTime, until);
        Clock::setNow(parsed);
        Reminder reminder;
        QCOMPARE(reminder.update(text, parsed.date(), parsed.time()), 0);
        QTEST(runUntil(reminder, until), "rings");
    }

    void reparseKeepsUnchangedLines()
    {
        Clock::setNow(sunday);
        Reminder reminder;
        reminder.update("20:30 \"a\"\n21:00 \"gone\"", sunday.date(), sunday.time());
        const QDateTime late = sunday.addSecs(11 * 3600);
        Clock::setNow(late);
        QCOMPARE(reminder.update("22:00 \"b\"\n20:30 \"a\"", late.date(), late.time()), 0);
        QCOMPARE(runUntil(reminder, late.addSecs(86400 + 3600)),
                 QString("10.04.05 20:30 a; 10.04.05 22:00 b; 11.04.05 20:30 a; 11.04.05 22:00 b"));
        // An unchanged text is not parsed again; a cleared reminder parses it anew.
        QCOMPARE(reminder.update("22:00 \"b\"\n20:30 \"a\"", late.date(), late.time()), 0);
        QCOMPARE(reminder.update("x", late.date(), late.time()), -1);
        QVERIFY(reminder.tasks().empty());
        reminder.clear();
        QCOMPARE(reminder.update("", late.date(), late.time()), 0);
        QVERIFY(reminder.errorLog().isEmpty());
    }

    void soundWindowAndFocus()
    {
        QLineEdit typing;
        typing.show();
        typing.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&typing));
        Clock::setNow(sunday);
        Reminder reminder;
        reminder.setSoundFile("reminder.wav");
        QSignalSpy rings(&reminder, &Reminder::ring);
        reminder.update("11:00 \"a\"\n11:00 sound=0 \"b\"\n12:00 sound=0 \"c\"\n12:00 \"d\"\n"
                        "13:00 popup=0 \"e\"\n14:00 \"f\"",
                        sunday.date(), sunday.time());
        ReminderDialog *window = reminder.window();
        Clock::setNow(sunday.addSecs(1800));
        reminder.iterate(); // nothing due
        // After each hour's ring: is the window up (Escape closes it each time), sounds so far.
        QStringList seen;
        for (int hour = 1; hour <= 4; ++hour) {
            reminder.setSoundOff(hour == 4);
            runUntil(reminder, sunday.addSecs(hour * 3600));
            seen.append(QString::number(window->isVisible()) + QString::number(m_sounds.size()));
            QTest::keyClick(window, Qt::Key_Escape);
        }
        QCOMPARE(seen, QStringList({"11", "11", "02", "12"}));
        QCOMPARE(rings.count(), 4);
        QCOMPARE(m_sounds.first(), QString("reminder.wav"));
        QCOMPARE(window->textBox()->toPlainText(),
                 QString("10.04.2005    14:00    f\n10.04.2005    13:00    e\n"
                         "10.04.2005    12:00    d\n10.04.2005    12:00    c\n"
                         "10.04.2005    11:00    b\n10.04.2005    11:00    a\n"));
        QCOMPARE(window->textBox()->textCursor().position(), 0);
        QCOMPARE(QApplication::focusWidget(), &typing);
        QTest::mouseClick(window->clearButton(), Qt::LeftButton);
        QVERIFY(window->textBox()->toPlainText().isEmpty());
        window->show();
        window->resize(300, 200);
        QCOMPARE(window->textBox()->geometry(), QRect(3, 3, 295, 167));
        QCOMPARE(window->clearButton()->geometry(), QRect(218, 173, 80, 26));
        QCOMPARE(window->windowTitle(), QString("Reminder messages"));
    }

private:
    QStringList m_sounds;
};

QTEST_MAIN(TestReminder)
#include "tst_reminder.moc"
