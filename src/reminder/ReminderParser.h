#pragma once

#include "reminder/ReminderNode.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <vector>

// The task language of the reminder theme: one task a line, timed ("20:30 ...") or periodic
// ("period=60 ..."), with options, messages and comments. Every correct line becomes a task;
// every error is logged with its [line, column], followed by the syntax of the construct it
// was found in, and the line's task is dropped.
class ReminderParser
{
public:
    // Parses the text as of the given date and time (the defaults of every task); returns 0 when
    // no line had an error, a negative number otherwise.
    int parse(const QString &text, const QDate &date, const QTime &time);

    const QString &errorLog() const { return m_log; }
    std::vector<ReminderNode> &tasks() { return m_tasks; }

    // The text a newly created reminder theme starts with.
    static QString exampleText();

private:
    QChar at(int position) const;
    void error(int code, int position);
    void hint(int code);
    void skipBlanks();
    void skipToken();
    bool valueEnd();
    bool readNumber(qint64 &value);
    bool readTime(QTime &time);
    bool readDate(ReminderNode &task);
    bool matchKeyword(int keyword) const;
    void readTask(bool periodic);
    bool readOptions(ReminderNode &task, bool periodic, int &mark, int &taskEnd);
    void readKeywordOption(ReminderNode &task, int keyword);
    bool readValue(ReminderNode &task, int keyword);
    bool readMessage(ReminderNode &task);
    enum class CommentEnd { Line, Task };
    CommentEnd readComment();

    QString m_text;
    int m_position = 0;
    std::vector<int> m_lineStarts;
    QDate m_date;
    QTime m_time;
    QString m_log;
    bool m_lineFailed = false;
    bool m_failed = false;
    std::vector<ReminderNode> m_tasks;
};
