#include "app/FatalSignals.h"

#include "app/BRWApplication.h"
#include "app/JournalDisplay.h"
#include "common/Emergency.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <semaphore.h>
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

// The journal is made by a thread of its own, waiting from the start. A signal may stop the
// program inside the allocator with its lock held, and a journal made on that thread would wait
// for the lock for ever. The saver allocated once when it began, so it has an allocator arena of
// its own.
sem_t saverWakes;
sem_t saverDone;
pthread_t saverThread;
volatile sig_atomic_t saverReady = 0;

void saveJournal()
{
    if (BRWApplication *application = BRWApplication::instance())
        application->saveLog();
}

void *runSaver(void *)
{
    std::free(std::malloc(64));
    saverReady = 1;
    while (sem_wait(&saverWakes) != 0) {
    }
    saveJournal();
    sem_post(&saverDone);
    return nullptr;
}

void startSaver()
{
    if (sem_init(&saverWakes, 0, 0) != 0 || sem_init(&saverDone, 0, 0) != 0)
        return;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, alternateStackSize);
    // Signals sent to the program go to its other threads; a fault of its own still reaches it.
    sigset_t blocked, before;
    sigfillset(&blocked);
    for (int signalNumber : fatalSignals)
        sigdelset(&blocked, signalNumber);
    pthread_sigmask(SIG_SETMASK, &blocked, &before);
    pthread_create(&saverThread, &attributes, runSaver, nullptr);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    pthread_attr_destroy(&attributes);
}

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
    if (saverReady && !pthread_equal(pthread_self(), saverThread)) {
        sem_post(&saverWakes);
        while (sem_wait(&saverDone) != 0) {
        }
    } else {
        saveJournal();
    }
    alarm(0);
    endWithDefaultAction(signalNumber);
}

} // namespace

void installFatalSignalHandlers()
{
    prepareJournalDisplay();
    startSaver();
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
