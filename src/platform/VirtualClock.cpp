#include "platform/VirtualClock.h"

#include <QThread>

namespace platform {

VirtualClock::VirtualClock(qint64 startMs)
    : m_now(startMs)
{
}

void VirtualClock::sleepMs(int ms)
{
    if (ms < 0)
        ms = 0;
    m_slept.fetch_add(ms);
    advance(ms);
    const int us = m_realMicrosPerMs.load();
    if (us > 0 && ms > 0)
        QThread::usleep(static_cast<unsigned long>(qMin<qint64>(qint64(us) * ms, 200000)));
    else
        QThread::yieldCurrentThread();
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

} // namespace platform
