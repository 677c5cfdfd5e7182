#include "model/DocumentObserver.h"

// Every notification is optional: an observer overrides those it needs.
void DocumentObserver::aboutToInsert(Theme *, int, int) {}
void DocumentObserver::inserted(Theme *, int, int) {}
void DocumentObserver::aboutToRemove(Theme *, int, int) {}
void DocumentObserver::removed(Theme *, int, int) {}
void DocumentObserver::aboutToMove(Theme *, int, int, Theme *, int) {}
void DocumentObserver::moved(Theme *, int, int, Theme *, int) {}
void DocumentObserver::changed(Theme *, Field) {}
void DocumentObserver::groupChanged(int, bool) {}
void DocumentObserver::aboutToReplace() {}
void DocumentObserver::replaced() {}
