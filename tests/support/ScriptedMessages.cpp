#include "ScriptedMessages.h"

#include <QMap>

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

Messages::Answer ScriptedMessages::answerNamed(const QString &name)
{
    using Answer = Messages::Answer;
    static const QMap<QString, Answer> answers{{"Ok", Answer::Ok},
                                               {"Cancel", Answer::Cancel},
                                               {"Yes", Answer::Yes},
                                               {"No", Answer::No}};
    return answers.value(name, Answer::Closed);
}
