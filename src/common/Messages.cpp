#include "common/Messages.h"

#include <QCoreApplication>

#include <cstdio>

namespace Messages {
namespace {

Responder &installedResponder()
{
    static Responder responder;
    return responder;
}

Responder &unansweredResponder()
{
    static Responder responder;
    return responder;
}

Responder &realBoxes()
{
    static Responder shower;
    return shower;
}

// Without a toolkit to show it, a box reads as a line of the log on standard error.
Answer writtenToStandardError(const Box &box)
{
    std::fputs(logForm(box.caption, box.text).toLocal8Bit().constData(), stderr);
    return defaultAnswer(box.buttons);
}

Answer unanswered(const Box &box)
{
    if (const Responder &responder = unansweredResponder())
        return responder(box);
    if (const Responder &shower = realBoxes())
        return shower(box);
    return writtenToStandardError(box);
}

} // namespace

Answer show(const Box &box)
{
    if (const Responder &responder = installedResponder())
        return responder(box);
    return unanswered(box);
}

std::vector<Box> holdBoxes(const std::function<void()> &work)
{
    std::vector<Box> held;
    const Responder previous = installedResponder();
    installedResponder() = [&held, &previous](const Box &box) {
        if (box.buttons != Buttons::Ok)
            return previous ? previous(box) : unanswered(box);
        held.push_back(box);
        return Answer::Ok;
    };
    work();
    installedResponder() = previous;
    return held;
}

void showAll(const std::vector<Box> &boxes)
{
    for (const Box &box : boxes)
        show(box);
}

Answer warning(QWidget *parent, const QString &caption, const QString &text, Buttons buttons)
{
    return show({parent, caption, text, buttons, Icon::Warning});
}

Answer critical(QWidget *parent, const QString &caption, const QString &text, Buttons buttons)
{
    return show({parent, caption, text, buttons, Icon::Critical});
}

void setResponder(Responder responder)
{
    installedResponder() = std::move(responder);
}

void setUnansweredResponder(Responder responder)
{
    unansweredResponder() = std::move(responder);
}

void setRealBoxes(Responder shower)
{
    realBoxes() = std::move(shower);
}

bool hasResponder()
{
    return bool(installedResponder()) || bool(unansweredResponder());
}

Answer defaultAnswer(Buttons buttons)
{
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

QString logForm(const QString &caption, const QString &text)
{
    return QStringLiteral("!!!") + caption + QStringLiteral("!!!\n") + text + QLatin1Char('\n');
}

void report(QString *log, QWidget *parent, const QString &caption, const QString &text)
{
    if (log)
        log->append(logForm(caption, text));
    else
        warning(parent, caption, text);
}

QString warningCaption()
{
    return QCoreApplication::translate("Messages", "Warning (Предупреждение)");
}

QString errorCaption()
{
    return QCoreApplication::translate("Messages", "Error (Ошибка)");
}

QString messageCaption()
{
    return QCoreApplication::translate("Messages", "Message (Сообщение)");
}

} // namespace Messages
