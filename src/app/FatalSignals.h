#pragma once

// Installs the handler of SIGABRT, SIGFPE, SIGILL, SIGSEGV and SIGBUS: it runs the application's
// emergency journal on a stack of its own (so that a stack overflow still reaches it), then ends
// the process with the signal's default action.
void installFatalSignalHandlers();

// Runs the fatal-signal path as if SIGSEGV had arrived.
[[noreturn]] void crashThroughFatalSignal();

// Inside the fatal-signal path, gives the user time to read the journal before the watchdog
// ends the process; outside it, does nothing.
void extendWatchdogForJournal();

// Ends the process as the signal's default action would: the parent sees it ended by that signal.
[[noreturn]] void endWithDefaultAction(int signalNumber);

// Ends the process with SIGALRM unless an emergency save is over within two minutes (a save
// that deadlocks inside a signal handler would otherwise hang for ever).
void armSavingWatchdog();
