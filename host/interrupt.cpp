#include "host/interrupt.h"

#include <csignal>

namespace korvane::host {

namespace {

volatile std::sig_atomic_t stop = 0;

extern "C" void onSignal(int)
{
    stop = 1;
}

} // namespace

void catchInterrupts()
{
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

bool interrupted()
{
    return stop != 0;
}

} // namespace korvane::host
