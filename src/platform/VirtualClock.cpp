#include "platform/VirtualClock.h"

#include <QThread>

#include <algorithm>
#include <limits>

namespace platform {

VirtualClock::VirtualClock(qint64 startMs)
    : m_now(startMs)
{
}

void VirtualClock::sleepMs(int ms)
{
    if (ms < 0)
        ms = 0;
    {
        std::unique_lock<std::mutex> lock(m_limitMutex);
        if (m_sleepLimit >= 0 && std::this_thread::get_id() != m_limitSetter) {
            ++m_sleepersAtLimit;
            m_limitMoved.wait(lock, [this, ms] {
                return m_sleepLimit < 0 || std::this_thread::get_id() == m_limitSetter
                    || m_now.load() + ms <= m_sleepLimit;
            });
            --m_sleepersAtLimit;
        }
    }
    m_slept.fetch_add(ms);
    advance(ms);
    const int us = m_realMicrosPerMs.load();
    if (us > 0 && ms > 0)
        QThread::usleep(static_cast<unsigned long>(qMin<qint64>(qint64(us) * ms, 200000)));
    else
        QThread::yieldCurrentThread();
}

void VirtualClock::setSleepLimit(qint64 limitMs)
{
    {
        std::lock_guard<std::mutex> lock(m_limitMutex);
        m_sleepLimit = limitMs;
        m_limitSetter = std::this_thread::get_id();
    }
    m_limitMoved.notify_all();
}

int VirtualClock::sleepersAtLimit() const
{
    std::lock_guard<std::mutex> lock(m_limitMutex);
    return m_sleepersAtLimit;
}

qint64 VirtualClock::nowMs() const
{
    return m_now.load();
}

int VirtualClock::timerIntervalMs(int ms) const
{
    return qMax(1, ms / m_timerDivisor.load());
}

void VirtualClock::advance(qint64 ms)
{
    const qint64 now = m_now.fetch_add(ms) + ms;
    notify(now);
    fireDue(now);
}

int VirtualClock::addListener(Listener listener)
{
    QMutexLocker lock(&m_listenerMutex);
    const int id = m_nextListenerId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void VirtualClock::removeListener(int id)
{
    QMutexLocker lock(&m_listenerMutex);
    for (auto it = m_listeners.begin(); it != m_listeners.end(); ++it) {
        if (it->first == id) {
            m_listeners.erase(it);
            return;
        }
    }
}

void VirtualClock::notify(qint64 now)
{
    std::vector<Listener> copy;
    {
        QMutexLocker lock(&m_listenerMutex);
        copy.reserve(m_listeners.size());
        for (const auto &l : m_listeners)
            copy.push_back(l.second);
    }
    for (const auto &l : copy)
        l(now);
}

VirtualClock::~VirtualClock()
{
    setSleepLimit(-1);
    setHeldTimers(false);
}

void VirtualClock::setHeldTimers(bool held)
{
    m_heldTimers = held;
    if (held)
        return;
    QMutexLocker lock(&m_timerMutex);
    for (const Pending &p : m_pending)
        QObject::disconnect(p.watch);
    m_pending.clear();
}

void VirtualClock::forget(QObject *object)
{
    QMutexLocker lock(&m_timerMutex);
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [object](const Pending &p) {
                                       if (p.context != object)
                                           return false;
                                       QObject::disconnect(p.watch);
                                       return true;
                                   }),
                    m_pending.end());
}

void VirtualClock::addPending(Pending p)
{
    QMutexLocker lock(&m_timerMutex);
    p.order = m_nextOrder++;
    if (p.context) {
        QObject *object = p.context;
        // Direct: runs in the object's destructor, before it is freed.
        p.watch = QObject::connect(object, &QObject::destroyed, [this, object] { forget(object); });
    }
    m_pending.push_back(std::move(p));
}

void VirtualClock::startTimer(QTimer &timer, int ms)
{
    if (!m_heldTimers.load()) {
        Clock::startTimer(timer, ms);
        return;
    }
    // Active for the timer's own users (isActive, stop), but real time never reaches it.
    timer.start(std::numeric_limits<int>::max());
    {
        // A restart replaces the earlier arming.
        QMutexLocker lock(&m_timerMutex);
        m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                       [&timer](const Pending &p) {
                                           if (p.timer != &timer)
                                               return false;
                                           QObject::disconnect(p.watch);
                                           return true;
                                       }),
                        m_pending.end());
    }
    Pending p;
    p.dueMs = m_now.load() + qMax(0, ms);
    p.intervalMs = timer.isSingleShot() ? 0 : qMax(1, ms);
    p.timer = &timer;
    p.context = &timer;
    addPending(std::move(p));
}

void VirtualClock::singleShot(int ms, QObject *context, std::function<void()> f)
{
    if (!m_heldTimers.load()) {
        Clock::singleShot(ms, context, std::move(f));
        return;
    }
    Pending p;
    p.dueMs = m_now.load() + qMax(0, ms);
    p.context = context;
    p.call = std::move(f);
    addPending(std::move(p));
}

int VirtualClock::pendingTimers() const
{
    QMutexLocker lock(&m_timerMutex);
    return static_cast<int>(m_pending.size());
}

QList<int> VirtualClock::repeatingIntervals() const
{
    QMutexLocker lock(&m_timerMutex);
    std::vector<const Pending *> running;
    for (const Pending &p : m_pending) {
        if (p.timer && p.intervalMs > 0 && p.timer->isActive())
            running.push_back(&p);
    }
    std::sort(running.begin(), running.end(), [](const Pending *a, const Pending *b) { return a->order < b->order; });
    QList<int> intervals;
    for (const Pending *p : running)
        intervals << p->intervalMs;
    return intervals;
}

bool VirtualClock::advanceToNextTimer(qint64 maxMs)
{
    qint64 due = 0;
    {
        QMutexLocker lock(&m_timerMutex);
        if (m_pending.empty())
            return false;
        due = std::min_element(m_pending.begin(), m_pending.end(), [](const Pending &a, const Pending &b) {
                  return a.dueMs < b.dueMs;
              })->dueMs;
    }
    const qint64 step = qMax<qint64>(0, due - m_now.load());
    if (step > maxMs)
        return false;
    advance(step);
    return true;
}

void VirtualClock::fireDue(qint64 now)
{
    // A stopped repeating timer stays armed here until its next delivery sees it
    // stopped; a bound keeps a long advance from posting without end for it.
    constexpr int kMaxDeliveries = 10000;
    std::vector<std::function<void()>> unbound;
    {
        // Posted under the lock: an object's destructor waits for it (forget), so
        // nothing is posted to an object that is going.
        QMutexLocker lock(&m_timerMutex);
        for (int delivered = 0; delivered < kMaxDeliveries; ++delivered) {
            auto next = std::min_element(m_pending.begin(), m_pending.end(), [](const Pending &a, const Pending &b) {
                return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.order < b.order;
            });
            if (next == m_pending.end() || next->dueMs > now)
                break;
            if (next->timer) {
                QTimer *timer = next->timer;
                QMetaObject::invokeMethod(
                    timer,
                    [timer] {
                        if (!timer->isActive())
                            return;
                        if (timer->isSingleShot())
                            timer->stop();
                        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
                    },
                    Qt::QueuedConnection);
            } else if (next->context) {
                QMetaObject::invokeMethod(next->context, next->call, Qt::QueuedConnection);
            } else {
                unbound.push_back(next->call);
            }
            if (next->intervalMs > 0) {
                // A repeating timer comes round again, as often as the advance covers.
                next->dueMs += next->intervalMs;
                next->order = m_nextOrder++;
            } else {
                QObject::disconnect(next->watch);
                m_pending.erase(next);
            }
        }
    }
    for (const auto &call : unbound)
        call();
}

} // namespace platform
