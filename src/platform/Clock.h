#pragma once
#include <QtGlobal>

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
};

// The clock in force; a RealClock unless one was installed.
Clock &clock();
// Installs a clock (not owned; nullptr restores the real clock).
void setClock(Clock *c);

inline void sleepMs(int ms) { clock().sleepMs(ms); }
inline qint64 nowMs() { return clock().nowMs(); }

} // namespace platform
