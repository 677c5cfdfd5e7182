#include "app/CheckReminder.h"

#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Messages.h"
#include "model/ThemeDocument.h"
#include "reminder/ReminderParser.h"
#include "storage/TreeFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>

namespace CheckReminder {

Result check(const QString &document)
{
    ThemeDocument tree;
    if (document.isEmpty() || !readTreeFile(document, tree, nullptr))
        return {Unreadable, QString()};
    Theme *reminder = tree.reminderTheme();
    if (!reminder)
        return {};
    const QDateTime moment = QFileInfo(document).lastModified();
    ReminderParser parser;
    if (parser.parse(tree.subtreeText(reminder, true), moment.date(), moment.time()) >= 0)
        return {};
    return {Errors, parser.errorLog()};
}

int run(int &argc, char **argv, const QString &document)
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    });
    QCoreApplication application(argc, argv);
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
