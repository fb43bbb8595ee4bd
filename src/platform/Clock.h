#pragma once
#include <QtGlobal>

#include <functional>
#include <utility>

class QObject;
class QTimer;

namespace platform {

// Every wait of the product goes through the process-wide clock, so that tests can
// run protocol waits (pauses, searches, countdowns) in virtual time.
class Clock
{
public:
    virtual ~Clock() = default;
    // Blocks the calling thread for ms milliseconds of this clock's time.
    virtual void sleepMs(int ms) = 0;
    // Monotonic milliseconds of this clock.
    virtual qint64 nowMs() const = 0;
    // The real interval a QTimer should use for a wait of ms milliseconds of this clock.
    virtual int timerIntervalMs(int ms) const = 0;
    // Starts (or restarts) a timer that fires every ms milliseconds of this clock (once
    // for a single-shot timer). Stopping it is the timer's own stop().
    virtual void startTimer(QTimer &timer, int ms);
    // Calls f on the context's thread once, ms milliseconds of this clock from now,
    // unless the context is gone by then.
    virtual void singleShot(int ms, QObject *context, std::function<void()> f);
};

// The clock in force; a RealClock unless one was installed.
Clock &clock();
// Installs a clock (not owned; nullptr restores the real clock).
void setClock(Clock *c);

inline void sleepMs(int ms) { clock().sleepMs(ms); }
inline qint64 nowMs() { return clock().nowMs(); }
inline void startTimer(QTimer &timer, int ms) { clock().startTimer(timer, ms); }
inline void singleShot(int ms, QObject *context, std::function<void()> f)
{
    clock().singleShot(ms, context, std::move(f));
}

} // namespace platform
