#pragma once

#include "model/DocumentObserver.h"

#include <QDateTime>
#include <QObject>

#include <memory>

class Reminder;
class ReminderDialog;
class Theme;
class ThemeDocument;

// A window's reminder: it hands the reminder the text of the document's reminder theme
// ("__reminder" and its subthemes), drives its clock and owns its message window. Once that
// theme leaves the tree or loses its name, nothing more rings; a reminder theme that comes
// (undo of its deletion, a rename) is read once the change is over.
class ReminderHost : public QObject, private DocumentObserver
{
    Q_OBJECT
public:
    ReminderHost(ThemeDocument &document, QWidget *boxParent);
    ~ReminderHost() override;

    Reminder *reminder() const { return m_reminder.get(); }
    ReminderDialog *window() const { return m_window.get(); }
    // Off in the command-line mode: the reminder then parses and reports, but never rings.
    void setRinging(bool ringing) { m_ringing = ringing; }
    // Reads the task text as of that moment; the errors in a box. The parse result (below 0
    // with errors), 0 without a reminder theme.
    int update(const QDateTime &moment);
    // After a file is read: the text as of the file's last change, and today's tasks.
    void handOver(const QDateTime &fileModified);
    // The reminder theme, as last read.
    Theme *theme() const { return m_theme; }
    void setSoundOff(bool off);
    // Once a second: what has come due rings.
    void tick();

private:
    void drop();
    void readLater();
    void inserted(Theme *parent, int first, int last) override;
    void aboutToRemove(Theme *parent, int first, int last) override;
    void changed(Theme *theme, Field field) override;
    void aboutToReplace() override { drop(); }

    ThemeDocument &m_document;
    QWidget *m_boxParent;
    std::unique_ptr<Reminder> m_reminder;
    std::unique_ptr<ReminderDialog> m_window;
    Theme *m_theme = nullptr;
    bool m_ringing = true;
};
