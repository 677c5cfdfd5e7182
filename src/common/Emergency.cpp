#include "common/Emergency.h"

#include <csignal>

namespace {
volatile sig_atomic_t emergency = 0;
}

namespace Emergency {

bool inProgress()
{
    return emergency != 0;
}

void begin()
{
    emergency = 1;
}

} // namespace Emergency
