#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/CheckReminder.h"
#include "app/CommandLine.h"
#include "app/FatalSignals.h"
#include "app/JournalDisplay.h"
#include "app/MainActions.h"
#include "app/Play_RecordEvents.h"
#include "app/SessionEnd.h"
#include "app/StateFile.h"
#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Messages.h"

#include <QStandardPaths>

#include <csignal>
#include <cstdio>

int main(int argc, char **argv)
{
    // Past the file size limit a write then fails (EFBIG) and the save or export says so; the
    // signal's default action would end the program with the document unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    const CommandLine command = parseCommandLine(argc, argv);
    if (command.action == CommandLine::Action::Help ||
        command.action == CommandLine::Action::Version ||
        command.action == CommandLine::Action::Error)
        return printCommandLineAnswer(command);
    if (command.action == CommandLine::Action::Export)
        return runExport(argc, argv, command);
    if (command.action == CommandLine::Action::CheckReminder)
        return CheckReminder::run(argc, argv, command.input);
    if (command.action == CommandLine::Action::Import)
        return runImport(argc, argv, command);

    BRWApplication application(argc, argv);
    if (command.action == CommandLine::Action::ShowJournal)
        return showJournalFile(command.input);
#ifdef BRW_E2E_BUILD
    if (const int seconds = qEnvironmentVariableIntValue("BRW_AUTOSAVE_SECONDS"); seconds > 0)
        Brambleweb::setAutosaveSeconds(seconds);
    if (const int seconds = qEnvironmentVariableIntValue("BRW_CLOCK_AHEAD_SECONDS"); seconds > 0)
        Clock::setSecondsAhead(seconds);
#endif
    Clock::startDate();
    if (!cp1251Available()) {
        std::fputs(qPrintable(cp1251UnavailableMessage() + QLatin1Char('\n')), stderr);
        Messages::critical(nullptr, Messages::errorCaption(), cp1251UnavailableMessage());
        return 1;
    }
    // The recorder sees every widget the windows create, so it comes before them.
    Play_RecordEvents recorder(&application);
    application.installEventFilter(&recorder);
    recorder.setControlKeys(MainActions::recorderKeys());
    // Where the user left off: beside the settings, in the user's configuration folder.
    StateFile::setFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/brw"));
    application.takeLastSession();
    application.openWindows(command.files);
    CONNECT_ASSERT(QObject::connect(&application, &QGuiApplication::lastWindowClosed, &application,
                                    &QCoreApplication::quit));
    installFatalSignalHandlers();
    installSessionEndHandlers(&application);
    application.exec();
    return 0;
}
