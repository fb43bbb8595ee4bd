#include "platform/Clock.h"
#include "platform/RealClock.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Clock *> g_clock{nullptr};

Clock &realClock()
{
    static RealClock instance;
    return instance;
}
} // namespace

Clock &clock()
{
    Clock *c = g_clock.load(std::memory_order_acquire);
    return c ? *c : realClock();
}

void setClock(Clock *c)
{
    g_clock.store(c, std::memory_order_release);
}

} // namespace platform
