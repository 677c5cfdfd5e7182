#include "common/Messages.h"

#include <QCoreApplication>
#include <QMessageBox>

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

QMessageBox::StandardButtons standardButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon standardIcon(Icon icon)
{
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        break;
    }
    return QMessageBox::Warning;
}

Answer runRealBox(const Box &box)
{
    QMessageBox dialog(standardIcon(box.icon), box.caption, box.text, standardButtons(box.buttons),
                       box.parent);
    const bool ok = box.buttons == Buttons::Ok || box.buttons == Buttons::OkCancel;
    dialog.setDefaultButton(ok ? QMessageBox::Ok : QMessageBox::Yes);
    if (box.buttons == Buttons::YesNoCancel || box.buttons == Buttons::OkCancel)
        dialog.setEscapeButton(QMessageBox::Cancel);
    switch (dialog.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Closed;
    }
}

Answer unanswered(const Box &box)
{
    if (const Responder &responder = unansweredResponder())
        return responder(box);
    return runRealBox(box);
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
