#pragma once

#include "reminder/ReminderNode.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTime>

#include <map>
#include <vector>

// Keeps the tasks of the reminder theme in due order and rings them: once a second the head of
// the list is compared with the clock, and the tasks that have come due are listed in the
// message window (which follows message()), with a sound, then moved on to their next due
// moment or dropped.
class Reminder : public QObject
{
    Q_OBJECT
public:
    Reminder();
    ~Reminder() override;

    // Parses the text when it differs from the last one, as of the given moment (a task due
    // before it is not scheduled); unchanged lines keep their schedule. Returns the parse result:
    // 0, or negative when errorLog() has entries.
    int update(const QString &text, const QDate &date, const QTime &time);
    // Lists (and rings) what is due up to the end of today, under a header, without moving on.
    void todayTasks();
    void clear();

    void setSoundOff(bool off) { m_soundOff = off; }
    bool isSoundOff() const { return m_soundOff; }
    void setSoundFile(const QString &file) { m_soundFile = file; }
    const QString &soundFile() const { return m_soundFile; }
    const QString &errorLog() const { return m_errorLog; }
    const QString &text() const { return m_text; }
    // The lines of the last due pass, latest first.
    const QString &messageText() const { return m_messageText; }
    // The tasks, first due first.
    std::vector<const ReminderNode *> tasks() const;

public Q_SLOTS:
    void iterate();

Q_SIGNALS:
    void ring();
    // Lines for the top of the message window; with popup the window comes up as well.
    void message(const QString &text, bool popup);

private:
    using TaskList = std::multimap<qint64, ReminderNode>;
    class Operation;

    void duePass(const QDate &date, const QTime &time, bool reschedule);
    void schedule(ReminderNode &&task);

    TaskList m_tasks;
    QHash<QString, ReminderNode *> m_bySource;
    QString m_soundFile;
    QString m_text;
    QString m_errorLog;
    QString m_messageText;
    QDate m_parseDate;
    QTime m_parseTime;
    int m_lastResult = 0;
    QDate m_today;
    QTime m_now;
    int m_nesting = 0;
    bool m_soundOff = false;
};
