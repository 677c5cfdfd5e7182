#include "reminder/ReminderParser.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Error messages by the absolute value of their code.
const char *const messages[] = {
        "",
        "Unknown task",
        "= expected",
        "Number expected",
        "Unexpected simbol",
        "Not found end of comment",
        "May be not full start of comment",
        "Unknown teg",
        "Positive number expected",
        "'0' or '1' expected",
        "Day expected",
        "Month expected",
        "Year expected",
        "Date is invalid",
        "':' expected",
        "Time is invalid",
        " \" expected",
        "Start and end time mismatch",
        "Start time and offset mismatch",
};

enum Hint {
    PeriodHint = 1,
    CommentHint,
    OffsetHint,
    WeeklyHint,
    PopupHint,
    SoundHint,
    DateHint,
    EndHint,
    StartHint,
    MessageHint,
    TimeHint
};

const char *const hints[] = {
        "",
        "period=<positive number> ",
        "/*<any text>*/",
        "period=<number> ",
        "weekly=<1|2|3|4|5|6|7> ",
        "popup=<0|1> ",
        "sound=<0|1> ",
        "date=<day>[.<month>[.<year>]] ",
        "end=<0-23>:<0-59> ",
        "start=<0-23>:<0-59> ",
        "\"<any text>\"",
        "<0-23>:<0-59> ",
};

enum Keyword { Period, Start, End, Offset, Date, Popup, Sound, Weekly };
const char *const keywords[] = {"period", "start", "end",   "offset",
                                "date",   "popup", "sound", "weekly"};
const int keywordHints[] = {PeriodHint, StartHint, EndHint,   OffsetHint,
                            DateHint,   PopupHint, SoundHint, WeeklyHint};

// Numbers are cut here, so that no arithmetic on them can overflow.
constexpr qint64 largestNumber = 1000000000;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0xA0);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int minuteOfDay(const QTime &time)
{
    return time.hour() * 60 + time.minute();
}

QString translated(const char *text)
{
    return QCoreApplication::translate("Reminder", text);
}

} // namespace

QString ReminderParser::exampleText()
{
    return QStringLiteral("//Examples for Reminder\n"
                          "/*\n"
                          "period=60 start=8:0 end=20:00 sound=0 \"Отдохни!\" //Periodical\n"
                          "period=60 start=8:0 end=20:00 offset=10  \"Пора работать!\" "
                          "//Periodical\n"
                          "20:30 \"Хватит работать!\" //Every day\n"
                          "8:00 date=10.3.2005 \"Началось\" //Only 1 time\n"
                          "8:00 date=25 \"Money\" //Every month\n"
                          "14:00 weekly=1 \"Купить воду\" //Every week on Monday\n"
                          "*/");
}

int ReminderParser::parse(const QString &text, const QDate &date, const QTime &time)
{
    m_text = text;
    if (!m_text.endsWith(u'\n'))
        m_text += u'\n';
    m_lineStarts.assign(1, 0);
    for (int i = 0; i < m_text.size(); ++i) {
        if (m_text[i] == u'\n')
            m_lineStarts.push_back(i + 1);
    }
    m_date = date;
    m_time = QTime(time.hour(), time.minute());
    m_log.clear();
    m_tasks.clear();
    m_failed = false;
    m_position = 0;
    const int size = int(m_text.size());
    while (m_position < size) {
        const QChar c = m_text[m_position];
        if (c == u'\n') {
            ++m_position;
        } else if (c == u'/') {
            readComment();
        } else if (c == u'P' || c == u'p' || isDigit(c)) {
            readTask(!isDigit(c));
        } else {
            error(1, m_position);
            m_position = int(m_text.indexOf(u'\n', m_position)) + 1;
        }
    }
    m_text.clear();
    return m_failed ? -1 : 0;
}

QChar ReminderParser::at(int position) const
{
    return position < m_text.size() ? m_text[position] : QChar(u'\n');
}

void ReminderParser::error(int code, int position)
{
    const auto next = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), position);
    const int line = std::max(0, int(next - m_lineStarts.begin()) - 1);
    int column = position < 0 ? position : position - m_lineStarts[line];
    // A character beyond the 16-bit range is two units of the text and one column.
    for (int i = m_lineStarts[line]; i < position && i < m_text.size(); ++i)
        column -= m_text[i].isLowSurrogate() ? 1 : 0;
    m_log += translated(messages[code]) + QString::asprintf("[%i, %i]\n", line, column);
    m_lineFailed = true;
    m_failed = true;
}

void ReminderParser::hint(int code)
{
    m_log += translated(hints[code]) + QStringLiteral("[0, -1]\n");
}

void ReminderParser::skipBlanks()
{
    while (isBlank(at(m_position)))
        ++m_position;
}

// Steps over the rest of a token in error, to the next blank, line feed or comment.
void ReminderParser::skipToken()
{
    for (QChar c = at(m_position); !isBlank(c) && c != u'\n' && c != u'/'; c = at(m_position))
        ++m_position;
    skipBlanks();
}

// A value must be followed by a blank, the line end or a comment; the blanks are skipped.
bool ReminderParser::valueEnd()
{
    const QChar c = at(m_position);
    if (!isBlank(c) && c != u'\n' && c != u'/') {
        error(4, m_position);
        return false;
    }
    skipBlanks();
    return true;
}

bool ReminderParser::readNumber(qint64 &value)
{
    int position = m_position;
    const bool negative = at(position) == u'-';
    if (negative)
        ++position;
    if (!isDigit(at(position)))
        return false;
    qint64 number = 0;
    for (; isDigit(at(position)); ++position)
        number = std::min(largestNumber, number * 10 + (at(position).unicode() - u'0'));
    m_position = position;
    value = negative ? -number : number;
    return true;
}

bool ReminderParser::readTime(QTime &time)
{
    const int first = m_position;
    qint64 hour = 0;
    qint64 minute = 0;
    if (!readNumber(hour)) {
        error(8, m_position);
        return false;
    }
    if (at(m_position) != u':') {
        error(14, m_position);
        return false;
    }
    ++m_position;
    if (!readNumber(minute)) {
        error(8, m_position);
        return false;
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        error(15, first);
        return false;
    }
    time = QTime(int(hour), int(minute));
    return true;
}

// D, D.M or D.M.Y; missing parts come from the parse date. A day alone repeats monthly and a day
// with a month yearly, so they need only exist in some month or year: the task then waits for
// the first one that has it.
bool ReminderParser::readDate(ReminderNode &task)
{
    const int first = m_position;
    // Day, month, year; "Day expected", "Month expected", "Year expected" when one lacks digits.
    qint64 numbers[3] = {0, m_date.month(), m_date.year()};
    int parts = 0;
    do {
        if (!readNumber(numbers[parts])) {
            error(10 + parts, m_position);
            return false;
        }
    } while (++parts < 3 && at(m_position) == u'.' && ++m_position);
    const qint64 day = numbers[0];
    const qint64 month = numbers[1];
    qint64 year = numbers[2];
    if (parts == 3 && year >= 0 && year <= 99)
        year += 2000;
    QDate date{int(year), int(month), int(day)};
    bool valid = date.isValid();
    if (parts == 1 && day >= 1 && day <= 31) {
        for (int months = 0; !valid && months < 12; ++months) {
            const QDate monthStart = QDate(int(year), int(month), 1).addMonths(months + 1);
            date = QDate(monthStart.year(), monthStart.month(), int(day));
            valid = date.isValid();
        }
    } else if (parts == 2 && !valid && QDate(2000, int(month), int(day)).isValid()) {
        for (int years = 1; !valid && years <= 8; ++years) {
            date = QDate(int(year) + years, int(month), int(day));
            valid = date.isValid();
        }
    }
    if (!valid) {
        error(13, first);
        return false;
    }
    task.date = date;
    task.day = parts == 1 ? int(day) : 0;
    task.month = parts == 2 ? int(month) : 0;
    task.year = parts == 3 ? int(year) : 0;
    return true;
}

bool ReminderParser::matchKeyword(int keyword) const
{
    const QLatin1StringView word(keywords[keyword]);
    for (int i = 0; i < word.size(); ++i) {
        if (at(m_position + i).toLower() != QChar(word[i]))
            return false;
    }
    return true;
}

void ReminderParser::readTask(bool periodic)
{
    const int lineStart = m_position;
    m_lineFailed = false;
    ReminderNode task;
    task.date = m_date;
    task.time = m_time;
    if (periodic) {
        task.period = PeriodInfo{m_time, QTime(), 0, 1, false};
        readKeywordOption(task, Period);
    } else if (!readTime(task.time)) {
        // Nothing is skipped: the options are read from where the time ended.
        hint(TimeHint);
        skipBlanks();
    } else if (!valueEnd()) {
        hint(TimeHint);
        skipToken();
    }
    int mark = lineStart;
    int taskEnd = -1;
    const bool marked = readOptions(task, periodic, mark, taskEnd);
    if (taskEnd < 0)
        taskEnd = m_position;
    if (periodic) {
        const PeriodInfo &period = *task.period;
        const int start = minuteOfDay(period.start) + period.offset;
        const int end = period.end.isValid() ? minuteOfDay(period.end) : 24 * 60;
        if (start >= end)
            error(17, taskEnd);
        else if (start < 0)
            error(18, taskEnd);
    }
    if (m_lineFailed)
        return;
    // A line with neither message nor comment is its own identity, so that two such lines
    // ("8:00" and "9:00") stay two tasks.
    if (marked) {
        task.source = m_text.mid(lineStart, mark - lineStart);
    } else {
        const int lineEnd = int(m_text.indexOf(u'\n', lineStart));
        task.source = m_text.mid(lineStart, lineEnd - lineStart).trimmed();
    }
    m_tasks.push_back(std::move(task));
}

// Reads options up to the line end (left unread) or a comment that ends the task's line; true
// when a message or comment moved the mark that ends the task's source text. taskEnd is set
// when the task ended inside a comment.
bool ReminderParser::readOptions(ReminderNode &task, bool periodic, int &mark, int &taskEnd)
{
    bool marked = false;
    for (;;) {
        const QChar c = at(m_position);
        if (c == u'\n')
            return marked;
        if (c == u'"') {
            readMessage(task);
            mark = m_position;
            return true;
        }
        if (c == u'/') {
            mark = m_position;
            marked = true;
            const int lineEnd = int(m_text.indexOf(u'\n', m_position));
            if (readComment() == CommentEnd::Task) {
                taskEnd = lineEnd;
                return true;
            }
            continue;
        }
        switch (c.toLower().unicode()) {
        case u'd':
            readKeywordOption(task, Date);
            continue;
        case u'p':
            readKeywordOption(task, Popup);
            continue;
        case u'w':
            readKeywordOption(task, Weekly);
            continue;
        case u's':
            if (!periodic) {
                readKeywordOption(task, Sound);
            } else if (at(m_position + 1).toLower() == u't') {
                readKeywordOption(task, Start);
            } else if (at(m_position + 1).toLower() == u'o') {
                readKeywordOption(task, Sound);
            } else {
                error(7, m_position);
                skipToken();
            }
            continue;
        case u'e':
        case u'o':
            if (periodic) {
                readKeywordOption(task, c.toLower() == u'e' ? End : Offset);
                continue;
            }
            break;
        default:
            break;
        }
        error(4, m_position);
        skipToken();
    }
}

// keyword=value; after an error the construct's syntax is logged and the token skipped.
void ReminderParser::readKeywordOption(ReminderNode &task, int keyword)
{
    bool ok = false;
    if (!matchKeyword(keyword)) {
        error(7, m_position);
    } else {
        m_position += int(qstrlen(keywords[keyword]));
        if (at(m_position) != u'=') {
            error(2, m_position);
        } else {
            ++m_position;
            ok = readValue(task, keyword) && valueEnd();
        }
    }
    if (!ok) {
        hint(keywordHints[keyword]);
        skipToken();
    }
}

bool ReminderParser::readValue(ReminderNode &task, int keyword)
{
    PeriodInfo *period = task.period ? &*task.period : nullptr;
    qint64 number = 0;
    switch (keyword) {
    case Period:
    case Weekly:
        if (!readNumber(number) || number < 1) {
            error(8, m_position);
            return false;
        }
        if (keyword == Period)
            period->minutes = int(number);
        else
            task.weekday = number % 7 == 0 ? 7 : int(number % 7);
        return true;
    case Offset:
        if (!readNumber(number)) {
            error(3, m_position);
            return false;
        }
        period->offset = int(number);
        return true;
    case Sound:
    case Popup: {
        const QChar c = at(m_position);
        if (c != u'0' && c != u'1') {
            error(9, m_position);
            return false;
        }
        ++m_position;
        (keyword == Sound ? task.sound : task.popup) = c == u'1';
        return true;
    }
    case Start:
        period->startWritten = true;
        return readTime(period->start);
    case End:
        return readTime(period->end);
    case Date:
        return readDate(task);
    }
    return false;
}

// "text": two quotes in a row stand for one and stay as they are; the rest of the line after
// the closing quote is ignored.
bool ReminderParser::readMessage(ReminderNode &task)
{
    const int start = m_position + 1;
    for (int position = start;; ++position) {
        const QChar c = at(position);
        if (c == u'\n') {
            error(16, position);
            hint(MessageHint);
            m_position = position;
            return false;
        }
        if (c != u'"')
            continue;
        if (at(position + 1) == u'"') {
            ++position;
            continue;
        }
        task.message = m_text.mid(start, position - start);
        m_position = int(m_text.indexOf(u'\n', position));
        return true;
    }
}

// At a '/': "//" runs to the line end, "/*" to the next "*/", anywhere later. A block comment
// that spans lines ends the task line it stands in.
ReminderParser::CommentEnd ReminderParser::readComment()
{
    const QChar next = at(m_position + 1);
    if (next == u'/') {
        m_position = int(m_text.indexOf(u'\n', m_position));
        return CommentEnd::Line;
    }
    if (next == u'*') {
        const int close = int(m_text.indexOf(QLatin1String("*/"), m_position + 2));
        if (close < 0) {
            m_position = int(m_text.size()) - 1;
            error(5, m_position);
            hint(CommentHint);
            return CommentEnd::Line;
        }
        const int lineEnd = int(m_text.indexOf(u'\n', m_position));
        m_position = close + 2;
        return lineEnd < close ? CommentEnd::Task : CommentEnd::Line;
    }
    error(6, m_position);
    hint(CommentHint);
    // A lone '/' at the line end must not swallow the next line.
    m_position = int(m_text.indexOf(u'\n', next == u'\n' ? m_position : m_position + 2));
    return CommentEnd::Line;
}
