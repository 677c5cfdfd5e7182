#pragma once

#include <QString>

// The emergency journal is shown by a fresh copy of the program: a fatal signal may have
// interrupted the toolkit while it held the display connection's lock, and a box opened inside
// the crashed process would then wait for ever. The text also goes to standard error first.

// Notes the program's own path and a folder for the journal; called before any crash.
void prepareJournalDisplay();
// Writes the journal to standard error at once, without taking any lock.
void writeJournalToStandardError(const QString &journal);
// Shows the journal and waits until it is closed. False when no fresh process could show it.
bool showJournalInFreshProcess(const QString &journal);
// The fresh process's side: shows the journal file's text in the box; the exit status.
int showJournalFile(const QString &path);
