// The view's side of the reminder: it owns the reminder, hands it the text of the reminder
// theme ("__reminder" and its subthemes), relays the menu commands and drives its clock.
#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Messages.h"
#include "reminder/Reminder.h"
#include "reminder/ReminderParser.h"
#include "tree/ReminderDialog.h"
#include "tree/TreeWalk.h"

#include <optional>

void LinkListView::createReminder()
{
    m_reminder = std::make_unique<Reminder>();
    m_reminder->setSoundFile(QStringLiteral("reminder.wav"));
    m_reminderWindow = std::make_unique<ReminderDialog>();
    CONNECT_ASSERT(connect(m_reminder.get(), &Reminder::message, m_reminderWindow.get(),
                           &ReminderDialog::showMessage));
}

void LinkListView::dropReminderTheme()
{
    m_reminderTheme = nullptr;
    if (m_reminder)
        m_reminder->clear();
}

bool LinkListView::inReminderBranch(ColorListViewItem *theme) const
{
    return m_reminderTheme && theme && isAncestorOrSelf(m_reminderTheme, theme);
}

int LinkListView::updateReminder(const QDateTime &moment)
{
    if (!m_reminderTheme || !m_reminder)
        return 0;
    const int result =
            m_reminder->update(subtreeText(m_reminderTheme, true), moment.date(), moment.time());
    if (result < 0)
        Messages::warning(this, tr("Reminder errors"), m_reminder->errorLog());
    return result;
}

void LinkListView::handOverReminder(const QDateTime &fileModified)
{
    // Nothing rings without a window (the command line): the task lines stay unread.
    if (m_reminderRinging && updateReminder(fileModified) >= 0 && m_reminder)
        m_reminder->todayTasks();
}

ColorListViewItem *LinkListView::menuUpdateReminder()
{
    updateReminder(Clock::now());
    return m_reminderTheme;
}

void LinkListView::menuGoToReminder()
{
    // Redo of the step, like its undo, comes back to the theme current as it was left.
    std::optional<UndoStep> step;
    if (!m_reminderTheme) {
        step.emplace(this, QT_TR_NOOP("Create Reminder"));
        Busy busy(this);
        ColorListViewItem *theme = createChild(m_rootTheme, QString(), QString(), QString());
        renameTheme(theme, reminderThemeName());
        setDescription(theme, ReminderParser::exampleText(), true);
        Q_EMIT dataChanged();
    }
    setCurrentItem(m_reminderTheme);
    scrollToItem(m_reminderTheme);
}

void LinkListView::menuReminderSoundOperation(bool off)
{
    if (m_reminder)
        m_reminder->setSoundOff(off);
}

void LinkListView::timer1000()
{
    if (m_reminder && m_reminderRinging)
        m_reminder->iterate();
}
