#pragma once

#include <unistd.h>

// A step that would wait for ever (a FIFO opened the blocking way) ends the test with SIGALRM
// instead: such a fault then fails the run rather than hangs it.
struct HangGuard
{
    explicit HangGuard(unsigned seconds = 30) { ::alarm(seconds); }
    ~HangGuard() { ::alarm(0); }
    HangGuard(const HangGuard &) = delete;
    HangGuard &operator=(const HangGuard &) = delete;
};
