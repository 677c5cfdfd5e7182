// The main window's reminder commands: the tree owns the reminder; the window stores the text
// being edited first, so that the reminder reads what the user sees.
#include "app/Brambleweb.h"

#include "common/Messages.h"
#include "tree/LinkListView.h"

void Brambleweb::menuGoToReminder()
{
    m_mainTree->menuGoToReminder();
}

void Brambleweb::menuUpdateReminder()
{
    storeDescription(m_mainTree->currentTheme(), true);
    m_mainTree->menuUpdateReminder();
}

void Brambleweb::menuApply()
{
    if (m_mainTree->inReminderBranch(m_mainTree->currentTheme()))
        m_mainTree->menuUpdateReminder();
    else
        Messages::warning(this, Messages::warningCaption(), tr("Nothing to do\nНечего делать"));
}
