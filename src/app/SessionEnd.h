#pragma once

class QObject;

// The ends of a session that nobody watches: SIGTERM, SIGHUP and SIGINT (shutdown, a closed
// terminal, Ctrl+C) and the loss of the display. Each runs the application's emergency save
// quietly (no box, the report on standard error); a signal then ends the process as its
// default action would. The signals are taken up by the event loop through `owner`, with an
// alarm as the backstop for a loop that does not come round. Call after the fatal-signal
// handlers are installed.
void installSessionEndHandlers(QObject *owner);
