#include "app/SessionEnd.h"

#include "app/BRWApplication.h"
#include "app/FatalSignals.h"
#include "common/Assertions.h"
#include "common/Emergency.h"

#include <QSocketNotifier>
#include <QThread>

#ifdef BRW_HAVE_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int terminationSignals[] = {SIGTERM, SIGHUP, SIGINT};
// How long the event loop gets to take up a termination signal before the save runs inside
// the signal handler after all (the loop may be stuck in a long command).
constexpr unsigned eventLoopGraceSeconds = 5;

int wakeUp[2] = {-1, -1};
volatile sig_atomic_t pendingSignal = 0;

void saveQuietly()
{
    armSavingWatchdog();
    Emergency::begin();
    if (BRWApplication *application = BRWApplication::instance())
        application->saveQuietly();
}

[[noreturn]] void saveAndEnd(int signalNumber)
{
    saveQuietly();
    endWithDefaultAction(signalNumber);
}

void onEventLoopTooLate(int)
{
    saveAndEnd(pendingSignal);
}

// Only wakes the event loop, which saves in a normal state; the alarm is the backstop.
void onTerminationSignal(int signalNumber)
{
    if (pendingSignal)
        return; // the first one's save is under way
    if (Emergency::inProgress())
        endWithDefaultAction(signalNumber); // the fatal-signal journal has saved already
    pendingSignal = signalNumber;
    const int savedErrno = errno;
    const char byte = 1;
    (void)!write(wakeUp[1], &byte, 1);
    struct sigaction backstop
    {};
    backstop.sa_handler = onEventLoopTooLate;
    backstop.sa_flags = SA_ONSTACK;
    sigemptyset(&backstop.sa_mask);
    sigaction(SIGALRM, &backstop, nullptr);
    alarm(eventLoopGraceSeconds);
    errno = savedErrno;
}

#ifdef BRW_HAVE_XCB
QtMessageHandler toolkitMessages = nullptr;
bool displayLossSaved = false;

bool displayLost()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 && x11->connection() && xcb_connection_has_error(x11->connection());
}

// The toolkit ends the process (status 1) when it finds the display gone, and says so just
// before: the last moment at which the windows still exist.
void onToolkitMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!displayLossSaved && qApp && QThread::currentThread() == qApp->thread() && displayLost()) {
        displayLossSaved = true;
        saveQuietly();
    }
    toolkitMessages(type, context, text);
}
#endif

} // namespace

void installSessionEndHandlers(QObject *owner)
{
#ifdef BRW_HAVE_XCB
    toolkitMessages = qInstallMessageHandler(onToolkitMessage);
#endif
    if (pipe2(wakeUp, O_NONBLOCK | O_CLOEXEC) != 0)
        return; // the signals keep their default actions
    auto *notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, owner);
    CONNECT_ASSERT(QObject::connect(notifier, &QSocketNotifier::activated, owner,
                                    [] { saveAndEnd(pendingSignal); }));
    struct sigaction action
    {};
    action.sa_handler = onTerminationSignal;
    action.sa_flags = SA_RESTART | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : terminationSignals) {
        struct sigaction inherited;
        // A signal ignored from the start stays ignored (nohup, a job in the background).
        if (sigaction(signalNumber, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        sigaction(signalNumber, &action, nullptr);
    }
}
