#pragma once

// Installs the handler of SIGABRT, SIGFPE, SIGILL and SIGSEGV: it runs the application's
// emergency journal on a stack of its own (so that a stack overflow still reaches it), then ends
// the process with the signal's default action.
void installFatalSignalHandlers();

// Runs the fatal-signal path as if SIGSEGV had arrived.
[[noreturn]] void crashThroughFatalSignal();

// Inside the fatal-signal path, gives the user time to read the journal before the watchdog
// ends the process; outside it, does nothing.
void extendWatchdogForJournal();
