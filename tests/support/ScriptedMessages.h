#pragma once

#include "common/Messages.h"

#include <QList>

// Stands in for the user at every message box while it lives: records each box and answers
// from a script, or with the box's default button once the script is used up.
class ScriptedMessages
{
public:
    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages &) = delete;
    ScriptedMessages &operator=(const ScriptedMessages &) = delete;

    void answerNext(Messages::Answer answer) { m_script.append(answer); }
    // The answer a table names: Ok, Cancel, Yes, No; anything else, as an empty cell, is Closed.
    static Messages::Answer answerNamed(const QString &name);

    const QList<Messages::Box> &shown() const { return m_shown; }
    int count() const { return int(m_shown.size()); }
    QStringList captions() const;
    QStringList texts() const;
    // True when some box had exactly this caption and text.
    bool wasShown(const QString &caption, const QString &text) const;
    void clear() { m_shown.clear(); }

private:
    QList<Messages::Box> m_shown;
    QList<Messages::Answer> m_script;
};
