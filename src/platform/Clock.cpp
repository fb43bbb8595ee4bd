#include "platform/Clock.h"
#include "platform/RealClock.h"

#include <QTimer>

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

void Clock::startTimer(QTimer &timer, int ms)
{
    timer.start(timerIntervalMs(ms));
}

void Clock::singleShot(int ms, QObject *context, std::function<void()> f)
{
    QTimer::singleShot(timerIntervalMs(ms), context, std::move(f));
}

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
