#include "reminder/Reminder.h"

#include "common/Clock.h"
#include "common/Sound.h"
#include "reminder/ReminderParser.h"
#include "reminder/ReminderSchedule.h"

#include <QStringList>

#include <algorithm>

using ReminderSchedule::momentKey;

// Takes the clock when the outermost reminder operation starts, so that everything it calls
// works with one today and one now.
class Reminder::Operation
{
public:
    explicit Operation(Reminder *reminder)
        : m_reminder(reminder)
    {
        if (++m_reminder->m_nesting == 1) {
            const QDateTime now = Clock::now();
            m_reminder->m_today = now.date();
            m_reminder->m_now = QTime(now.time().hour(), now.time().minute());
        }
    }
    ~Operation() { --m_reminder->m_nesting; }
    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;

private:
    Reminder *m_reminder;
};

Reminder::Reminder()
    : QObject(nullptr)
{}

Reminder::~Reminder() = default;

int Reminder::update(const QString &text, const QDate &date, const QTime &time)
{
    Operation operation(this);
    m_parseDate = date;
    m_parseTime = time;
    if (text == m_text)
        return m_lastResult;
    m_text = text;
    for (auto &entry : m_tasks)
        entry.second.stale = true;
    ReminderParser parser;
    m_lastResult = parser.parse(text, date, time);
    m_errorLog = parser.errorLog();
    for (ReminderNode &task : parser.tasks())
        schedule(std::move(task));
    for (auto entry = m_tasks.begin(); entry != m_tasks.end();) {
        if (entry->second.stale) {
            m_bySource.remove(entry->second.source);
            entry = m_tasks.erase(entry);
        } else {
            ++entry;
        }
    }
    return m_lastResult;
}

// A line seen before keeps its task and that task's due moment; a new one is placed and
// inserted behind the tasks due at the same moment, unless an equal task of the old text
// stands there already.
void Reminder::schedule(ReminderNode &&task)
{
    if (ReminderNode *known = m_bySource.value(task.source)) {
        known->stale = false;
        return;
    }
    if (!ReminderSchedule::placeNewTask(task, m_today, m_parseDate, m_parseTime))
        return;
    const qint64 key = momentKey(task.date, task.time);
    const auto [first, last] = m_tasks.equal_range(key);
    for (auto entry = first; entry != last; ++entry) {
        if (entry->second.stale && entry->second.sameTask(task)) {
            entry->second.stale = false;
            return;
        }
    }
    const auto entry = m_tasks.emplace(key, std::move(task));
    m_bySource.insert(entry->second.source, &entry->second);
}

void Reminder::iterate()
{
    Operation operation(this);
    duePass(m_today, m_now, true);
}

void Reminder::todayTasks()
{
    Operation operation(this);
    duePass(m_today, QTime(23, 59, 59), false);
    Q_EMIT message(tr("--------------Today tasks--Задания на сегодня----------\n"), false);
}

// Lists every task due by the moment, latest first. Only the first of them may sound. With
// reschedule each is moved on (or dropped) before the next is looked at.
void Reminder::duePass(const QDate &date, const QTime &time, bool reschedule)
{
    m_messageText.clear();
    const qint64 limit = momentKey(date, time);
    QStringList lines;
    bool popup = false;
    auto entry = m_tasks.begin();
    while (entry != m_tasks.end() && entry->first <= limit) {
        const ReminderNode &task = entry->second;
        if (lines.isEmpty() && task.sound && !m_soundOff)
            Sound::play(m_soundFile);
        lines.append(ReminderSchedule::dueLine(task));
        popup = popup || task.popup;
        if (!reschedule) {
            ++entry;
            continue;
        }
        auto node = m_tasks.extract(entry);
        if (ReminderSchedule::moveOn(node.mapped(), m_now)) {
            node.key() = momentKey(node.mapped().date, node.mapped().time);
            m_tasks.insert(std::move(node));
        } else {
            m_bySource.remove(node.mapped().source);
        }
        entry = m_tasks.begin();
    }
    if (lines.isEmpty())
        return;
    std::reverse(lines.begin(), lines.end());
    m_messageText = lines.join(u'\n') + u'\n';
    Q_EMIT ring();
    // popup=0: the line joins the window's text without bringing the window up.
    Q_EMIT message(m_messageText, popup);
}

void Reminder::clear()
{
    m_tasks.clear();
    m_bySource.clear();
    m_text.clear();
    m_errorLog.clear();
    m_lastResult = 0;
}

std::vector<const ReminderNode *> Reminder::tasks() const
{
    std::vector<const ReminderNode *> result;
    result.reserve(m_tasks.size());
    for (const auto &entry : m_tasks)
        result.push_back(&entry.second);
    return result;
}
