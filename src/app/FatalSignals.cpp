#include "app/FatalSignals.h"

#include "app/BRWApplication.h"
#include "app/JournalDisplay.h"
#include "common/Emergency.h"

#include <csignal>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int fatalSignals[] = {SIGABRT, SIGFPE, SIGILL, SIGSEGV, SIGBUS};
// The journal writes whole trees and runs a message box: it needs a real stack.
constexpr size_t alternateStackSize = 16 * 1024 * 1024;
// Saving gets this long before a deadlocked handler is ended; the journal box then gets longer.
constexpr unsigned savingWatchdogSeconds = 120;
constexpr unsigned journalWatchdogSeconds = 3600;

volatile sig_atomic_t handlingFatalSignal = 0;

// The watchdog's SIGALRM has its default action: it ends the process.
void armWatchdog(unsigned seconds)
{
    struct sigaction action
    {};
    action.sa_handler = SIG_DFL;
    sigaction(SIGALRM, &action, nullptr);
    alarm(seconds);
}

void onFatalSignal(int signalNumber)
{
    if (handlingFatalSignal)
        endWithDefaultAction(signalNumber); // a crash inside the journal: no second journal
    handlingFatalSignal = 1;
    Emergency::begin();
    armWatchdog(savingWatchdogSeconds);
    if (BRWApplication *application = BRWApplication::instance())
        application->saveLog();
    alarm(0);
    endWithDefaultAction(signalNumber);
}

} // namespace

void installFatalSignalHandlers()
{
    prepareJournalDisplay();
    void *stack = mmap(nullptr, alternateStackSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack != MAP_FAILED) {
        stack_t alternate{};
        alternate.ss_sp = stack;
        alternate.ss_size = alternateStackSize;
        sigaltstack(&alternate, nullptr);
    }
    struct sigaction action
    {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    // SA_NODEFER lets a crash inside the journal reach the handler, which then ends the process.
    action.sa_flags = SA_ONSTACK | SA_NODEFER;
    for (int signalNumber : fatalSignals)
        sigaction(signalNumber, &action, nullptr);
}

void endWithDefaultAction(int signalNumber)
{
    std::signal(signalNumber, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signalNumber);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signalNumber);
    // A signal whose default action does not end the process (should not happen here).
    _exit(128 + signalNumber);
}

void armSavingWatchdog()
{
    armWatchdog(savingWatchdogSeconds);
}

void crashThroughFatalSignal()
{
    raise(SIGSEGV);
    std::abort();
}

void extendWatchdogForJournal()
{
    if (handlingFatalSignal)
        armWatchdog(journalWatchdogSeconds);
}
