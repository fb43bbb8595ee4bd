#pragma once
#include "platform/Clock.h"

#include <QMutex>

#include <atomic>
#include <functional>
#include <vector>

namespace platform {

// A clock whose time moves only when somebody sleeps on it: a sleep of N ms advances
// the shared time by N ms and returns at once (after an optional short real pause, so
// that a polling thread does not take a whole core). Tests use it to run 20-second
// protocol waits in milliseconds; the rig fires its timed events from the listeners.
class VirtualClock : public Clock
{
public:
    using Listener = std::function<void(qint64 nowMs)>;

    explicit VirtualClock(qint64 startMs = 0);

    void sleepMs(int ms) override;
    qint64 nowMs() const override;
    int timerIntervalMs(int ms) const override;

    // Moves time forward without sleeping (a test's "let 5 s pass").
    void advance(qint64 ms);

    // Real microseconds spent per virtual millisecond slept (0: none, just a yield).
    void setRealMicrosPerMs(int us) { m_realMicrosPerMs = us; }
    // Divisor applied to QTimer intervals armed through timerIntervalMs (minimum 1 ms).
    void setTimerDivisor(int divisor) { m_timerDivisor = divisor > 0 ? divisor : 1; }

    // Called after every advance, on the advancing thread, with the new time.
    int addListener(Listener listener);
    void removeListener(int id);

    // Total virtual time slept on this clock.
    qint64 totalSleptMs() const { return m_slept.load(); }

private:
    void notify(qint64 now);

    std::atomic<qint64> m_now;
    std::atomic<qint64> m_slept{0};
    std::atomic<int> m_realMicrosPerMs{0};
    std::atomic<int> m_timerDivisor{100};
    mutable QMutex m_listenerMutex;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextListenerId = 1;
};

} // namespace platform
