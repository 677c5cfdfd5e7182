#include "app/CheckReminder.h"
#include "common/Clock.h"
#include "common/Sound.h"
#include "model/ThemeDocument.h"
#include "reminder/Reminder.h"
#include "reminder/ReminderParser.h"
#include "storage/TreeFile.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "tree/ReminderDialog.h"
#include "tree/ReminderHost.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QDateTime sunday(QDate(2005, 4, 10), QTime(10, 0));
const QDateTime lastChange(QDate(2005, 4, 10), QTime(10, 20, 30));

// Ticks at every due moment up to `until`, `late` seconds after it; one entry per ring:
// "dd.MM.yy HH:mm " + the messages of the pass, latest first.
QStringList runUntil(Reminder &reminder, const QDateTime &until, int late = 10)
{
    QStringList rings;
    for (auto tasks = reminder.tasks(); !tasks.empty(); tasks = reminder.tasks()) {
        const QDateTime due(tasks.front()->date, tasks.front()->time);
        if (due > until)
            break;
        Clock::setNow(due.addSecs(late));
        reminder.iterate();
        QStringList messages;
        for (const QString &line : reminder.messageText().split('\n', Qt::SkipEmptyParts))
            messages.append(line.mid(23));
        rings.append(due.toString("dd.MM.yy HH:mm ") + messages.join(','));
    }
    return rings;
}

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

class TestReminder : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // A document whose reminder theme holds `text` and, when given, a subtheme holding `more`.
    QString document(const QString &text, const QString &more)
    {
        const QString subtheme = more.isEmpty() ? QString() : "<!--2-->more\n" + more + '\n';
        const QByteArray bytes = QString("root\n<!--1-->first\n<!--1-->__reminder\n" + text + '\n' +
                                         subtheme + "<!--1-->last\n")
                                         .replace('\n', "\r\n")
                                         .toLatin1();
        QFile file(m_dir.filePath("tasks.brw"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) < 0)
            qFatal("cannot write the document");
        file.setFileTime(lastChange, QFileDevice::FileModificationTime);
        return file.fileName();
    }

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

    void rings_data() { JSON_ROWS("text", "span", "rings", "late?"); }

    void rings()
    {
        FETCH_TEXTS(text, span);
        const auto moment = [&](int part) {
            const QString at = span.split(" to ").at(part);
            return QDateTime::fromString(at, at.size() > 16 ? "dd.MM.yyyy HH:mm:ss"
                                                            : "dd.MM.yyyy HH:mm");
        };
        Clock::setNow(moment(0));
        Reminder reminder;
        QCOMPARE(reminder.update(text, moment(0).date(), moment(0).time()), 0);
        FETCH_TEXTS(late);
        QTEST(runUntil(reminder, moment(1), late.isEmpty() ? 10 : late.toInt()).join('\n'),
              "rings");
    }

    void reparseKeepsUnchangedLines()
    {
        Clock::setNow(sunday);
        Reminder reminder;
        reminder.update("20:30 \"a\"\n21:00 \"gone\"", sunday.date(), sunday.time());
        const QDateTime late = sunday.addSecs(11 * 3600);
        Clock::setNow(late);
        QCOMPARE(reminder.update("22:00 \"b\"\n20:30 \"a\"", late.date(), late.time()), 0);
        QCOMPARE(runUntil(reminder, late.addSecs(86400 + 3600)).join("; "),
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
        ReminderDialog window;
        connect(&reminder, &Reminder::message, &window, &ReminderDialog::showMessage);
        Clock::setNow(sunday.addSecs(1800));
        reminder.iterate(); // nothing due
        // After each hour's ring: is the window up (Escape closes it each time), sounds so far.
        QStringList seen;
        for (int hour = 1; hour <= 4; ++hour) {
            reminder.setSoundOff(hour == 4);
            runUntil(reminder, sunday.addSecs(hour * 3600));
            seen.append(QString::number(window.isVisible()) + QString::number(m_sounds.size()));
            QTest::keyClick(&window, Qt::Key_Escape);
        }
        QCOMPARE(seen, QStringList({"11", "11", "02", "12"}));
        QCOMPARE(rings.count(), 4);
        QCOMPARE(m_sounds.first(), QString("reminder.wav"));
        QCOMPARE(window.textBox()->toPlainText(),
                 QString("10.04.2005    14:00    f\n10.04.2005    13:00    e\n"
                         "10.04.2005    12:00    d\n10.04.2005    12:00    c\n"
                         "10.04.2005    11:00    b\n10.04.2005    11:00    a\n"));
        QCOMPARE(window.textBox()->textCursor().position(), 0);
        QCOMPARE(QApplication::focusWidget(), &typing);
        QTest::mouseClick(window.clearButton(), Qt::LeftButton);
        QVERIFY(window.textBox()->toPlainText().isEmpty());
        QCOMPARE(window.windowTitle(), QString("Reminder messages"));
    }

    void parse_data() { JSON_ROWS("text?", "log?", "tasks?"); }

    void parse()
    {
        FETCH_TEXTS(text, log, tasks);
        if (!log.isEmpty())
            log += '\n';
        ReminderParser parser;
        const int result = parser.parse(text == "@example" ? ReminderParser::exampleText() : text,
                                        QDate(2005, 4, 10), QTime(10, 20, 30));
        QCOMPARE(parser.errorLog(), log);
        QCOMPARE(result < 0, !log.isEmpty());
        QCOMPARE(describe(parser.tasks()), tasks);
    }

    // The task text checked without a window (brw --check-reminder) gives the same log as the
    // window's box, from the same reading of the document.
    void check_data() { addJsonRows(QFINDTESTDATA("data/errors.jsonl"), {"text", "more", "log"}); }

    void check()
    {
        FETCH_TEXTS(text, more, log);
        if (!log.isEmpty())
            log += '\n';
        const QString path = document(text, more);
        ScriptedMessages boxes;
        const CheckReminder::Result result = CheckReminder::check(path);
        QCOMPARE(result.log, log);
        QCOMPARE(result.status, log.isEmpty() ? CheckReminder::Clean : CheckReminder::Errors);
        QCOMPARE(boxes.count(), 0);

        // The window's reading shows the same text in its box.
        ThemeDocument document;
        QVERIFY(readTreeFile(path, document, nullptr));
        ReminderHost(document, nullptr).handOver(QFileInfo(path).lastModified());
        const QString caption = "Reminder errors";
        QCOMPARE(boxes.captions().contains(caption), !log.isEmpty());
        if (!log.isEmpty())
            QCOMPARE(boxes.texts().at(boxes.captions().indexOf(caption)), log);
    }

    void unreadable_data() { JSON_ROWS("name"); }

    void unreadable()
    {
        QFETCH(QString, name);
        ScriptedMessages boxes;
        const CheckReminder::Result result = CheckReminder::check(m_dir.filePath(name));
        QCOMPARE(result.status, CheckReminder::Unreadable);
        QCOMPARE(result.log, QString());
    }

private:
    QStringList m_sounds;
};

QTEST_MAIN(TestReminder)
#include "tst_reminder.moc"
