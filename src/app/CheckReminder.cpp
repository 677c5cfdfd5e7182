#include "app/CheckReminder.h"

#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Messages.h"
#include "reminder/ReminderParser.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>

namespace CheckReminder {

Result check(const QString &document)
{
    LinkListView view;
    view.setReminderRinging(false);
    if (document.isEmpty() || !loadTree(view, document, 0, nullptr))
        return {Unreadable, QString()};
    if (!view.reminderTheme())
        return {};
    const QDateTime moment = QFileInfo(document).lastModified();
    ReminderParser parser;
    if (parser.parse(view.subtreeText(view.reminderTheme(), true), moment.date(), moment.time()) >=
        0)
        return {};
    return {Errors, parser.errorLog()};
}

int run(int &argc, char **argv, const QString &document)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    });
    QApplication application(argc, argv);
    Clock::startDate();
    if (!cp1251Available()) {
        std::fputs(qPrintable(cp1251UnavailableMessage() + QLatin1Char('\n')), stderr);
        return Unreadable;
    }
    Messages::setResponder([](const Messages::Box &box) {
        std::fputs(Messages::logForm(box.caption, box.text).toLocal8Bit().constData(), stderr);
        return Messages::defaultAnswer(box.buttons);
    });
    const Result result = check(document);
    std::fputs(result.log.toLocal8Bit().constData(), stdout);
    return result.status;
}

} // namespace CheckReminder
