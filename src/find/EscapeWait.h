#pragma once

#include <functional>

// Waits for work that runs elsewhere (a long match on a worker thread) with the window alive:
// the event loop runs, so that the window paints and its timers fire, while the user's input is
// turned away as by a busy modal wait, but for Escape, which ends the wait.
namespace EscapeWait {

// Runs the event loop until done() is true (true then) or Escape is pressed (false). An Escape
// already posted ends the wait before done() is first asked.
bool until(const std::function<bool()> &done);

} // namespace EscapeWait
