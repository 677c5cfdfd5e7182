#include "ScriptedMessages.h"

ScriptedMessages::ScriptedMessages()
{
    Messages::setResponder([this](const Messages::Box &box) {
        m_shown.append(box);
        if (!m_script.isEmpty())
            return m_script.takeFirst();
        return Messages::defaultAnswer(box.buttons);
    });
}

ScriptedMessages::~ScriptedMessages()
{
    Messages::setResponder({});
}

QStringList ScriptedMessages::captions() const
{
    QStringList list;
    for (const Messages::Box &box : m_shown)
        list.append(box.caption);
    return list;
}

QStringList ScriptedMessages::texts() const
{
    QStringList list;
    for (const Messages::Box &box : m_shown)
        list.append(box.text);
    return list;
}

bool ScriptedMessages::wasShown(const QString &caption, const QString &text) const
{
    for (const Messages::Box &box : m_shown)
        if (box.caption == caption && box.text == text)
            return true;
    return false;
}
