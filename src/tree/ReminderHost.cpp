#include "tree/ReminderHost.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Messages.h"
#include "model/ThemeDocument.h"
#include "reminder/Reminder.h"
#include "tree/ReminderDialog.h"

#include <QCoreApplication>

ReminderHost::ReminderHost(ThemeDocument &document, QWidget *boxParent)
    : m_document(document)
    , m_boxParent(boxParent)
    , m_reminder(std::make_unique<Reminder>())
    , m_window(std::make_unique<ReminderDialog>())
{
    m_reminder->setSoundFile(QStringLiteral("reminder.wav"));
    CONNECT_ASSERT(connect(m_reminder.get(), &Reminder::message, m_window.get(),
                           &ReminderDialog::showMessage));
    m_document.addObserver(this);
}

ReminderHost::~ReminderHost()
{
    m_document.removeObserver(this);
}

int ReminderHost::update(const QDateTime &moment)
{
    m_theme = m_document.reminderTheme();
    if (!m_theme) {
        m_reminder->clear();
        return 0;
    }
    const int result =
            m_reminder->update(m_document.subtreeText(m_theme, true), moment.date(), moment.time());
    if (result < 0)
        Messages::warning(m_boxParent,
                          QCoreApplication::translate("LinkListView", "Reminder errors"),
                          m_reminder->errorLog());
    return result;
}

void ReminderHost::handOver(const QDateTime &fileModified)
{
    // Nothing rings without a window (the command line): the task lines stay unread.
    if (m_ringing && update(fileModified) >= 0 && m_theme)
        m_reminder->todayTasks();
}

void ReminderHost::setSoundOff(bool off)
{
    m_reminder->setSoundOff(off);
}

void ReminderHost::tick()
{
    if (m_ringing)
        m_reminder->iterate();
}

void ReminderHost::drop()
{
    m_theme = nullptr;
    m_reminder->clear();
}

void ReminderHost::readLater()
{
    QMetaObject::invokeMethod(
            this, [this] { update(Clock::now()); }, Qt::QueuedConnection);
}

void ReminderHost::inserted(Theme *parent, int first, int last)
{
    for (int row = first; !m_theme && row <= last; ++row)
        if (parent->child(row)->name() == ThemeDocument::reminderThemeName())
            return readLater();
}

void ReminderHost::aboutToRemove(Theme *parent, int first, int last)
{
    for (int row = first; m_theme && row <= last; ++row)
        if (isAncestorOrSelf(parent->child(row), m_theme))
            drop();
}

void ReminderHost::changed(Theme *theme, Field field)
{
    if (field != Field::Name)
        return;
    const bool named = theme->name() == ThemeDocument::reminderThemeName();
    if (theme == m_theme && !named)
        drop();
    else if (!m_theme && named)
        readLater();
}
