#pragma once

// Set once a fatal signal has arrived. From then on nothing may let the event loop run or wait
// for it: the interrupted code may hold locks that the toolkit would wait on for ever.
namespace Emergency {

bool inProgress();
void begin();

} // namespace Emergency
