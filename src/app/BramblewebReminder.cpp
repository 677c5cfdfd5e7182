// The main window's reminder commands; the window stores the text being edited first, so that
// the reminder reads what the user sees.
#include "app/Brambleweb.h"

#include "common/Clock.h"
#include "common/Messages.h"
#include "tree/ReminderHost.h"
#include "tree/ThemeView.h"

void Brambleweb::menuGoToReminder()
{
    m_view->goToReminder();
}

void Brambleweb::menuUpdateReminder()
{
    storeDescription(m_view->currentTheme(), true);
    m_reminder->update(Clock::now());
}

void Brambleweb::menuApply()
{
    storeDescription(m_view->currentTheme(), true);
    const Theme *reminderTheme = m_document.reminderTheme();
    if (reminderTheme && isAncestorOrSelf(reminderTheme, m_view->currentTheme()))
        m_reminder->update(Clock::now());
    else
        Messages::warning(this, Messages::warningCaption(), tr("Nothing to do\nНечего делать"));
}

void Brambleweb::menuReminderSoundOperation(bool off)
{
    m_reminder->setSoundOff(off);
}
