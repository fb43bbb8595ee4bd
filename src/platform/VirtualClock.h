#pragma once
#include "platform/Clock.h"

#include <QList>
#include <QMutex>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
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
    ~VirtualClock() override;

    void sleepMs(int ms) override;
    qint64 nowMs() const override;
    int timerIntervalMs(int ms) const override;
    void startTimer(QTimer &timer, int ms) override;
    void singleShot(int ms, QObject *context, std::function<void()> f) override;

    // Moves time forward without sleeping (a test's "let 5 s pass").
    void advance(qint64 ms);

    // Real microseconds spent per virtual millisecond slept (0: none, just a yield).
    void setRealMicrosPerMs(int us) { m_realMicrosPerMs = us; }
    // Divisor applied to QTimer intervals armed through timerIntervalMs (minimum 1 ms).
    void setTimerDivisor(int divisor) { m_timerDivisor = divisor > 0 ? divisor : 1; }

    // With held timers, the timers and single shots armed through this clock run on its
    // time alone: they fire when the time is advanced past them (by advance() or by a
    // sleep on any thread), in the order of their times, delivered on their own
    // threads' event loops; real time never fires them. Without, they run on real time
    // shortened by the divisor.
    void setHeldTimers(bool held);
    bool heldTimers() const { return m_heldTimers.load(); }
    // The number of held timers and single shots waiting to fire.
    int pendingTimers() const;
    // The intervals of the held repeating timers that run, in the order they were armed.
    QList<int> repeatingIntervals() const;
    // Advances the time to the next held timer (at most maxMs); false when none is due
    // within that.
    bool advanceToNextTimer(qint64 maxMs);

    // Called after every advance, on the advancing thread, with the new time.
    int addListener(Listener listener);
    void removeListener(int id);

    // A point in time that sleeps on other threads than the one setting it do not pass:
    // a sleep that would end after it waits, without moving the time, until the limit is
    // moved far enough or lifted (-1). A test uses it to let a worker run exactly so far
    // and then look, however slow or busy the machine is.
    void setSleepLimit(qint64 limitMs);
    // The threads waiting at the limit.
    int sleepersAtLimit() const;

    // Total virtual time slept on this clock.
    qint64 totalSleptMs() const { return m_slept.load(); }

private:
    struct Pending {
        qint64 dueMs = 0;
        quint64 order = 0; // arming order, for timers due at the same time
        int intervalMs = 0; // repeating timers; 0 for single shots
        QTimer *timer = nullptr;
        QObject *context = nullptr; // the timer, or the single shot's context
        std::function<void()> call;
        // Drops the entry when its object goes, so nothing is posted to a dead object.
        QMetaObject::Connection watch;
    };
    void forget(QObject *object);
    void addPending(Pending p);
    void notify(qint64 now);
    void fireDue(qint64 now);

    std::atomic<qint64> m_now;
    std::atomic<qint64> m_slept{0};
    std::atomic<int> m_realMicrosPerMs{0};
    std::atomic<int> m_timerDivisor{100};
    std::atomic<bool> m_heldTimers{false};
    mutable QMutex m_timerMutex;
    std::vector<Pending> m_pending;
    quint64 m_nextOrder = 0;
    mutable std::mutex m_limitMutex;
    std::condition_variable m_limitMoved;
    qint64 m_sleepLimit = -1;
    std::thread::id m_limitSetter;
    int m_sleepersAtLimit = 0;
    mutable QMutex m_listenerMutex;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextListenerId = 1;
};

} // namespace platform
