#include "platform/RealClock.h"

#include <QThread>

namespace platform {

RealClock::RealClock()
{
    m_elapsed.start();
}

void RealClock::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

qint64 RealClock::nowMs() const
{
    return m_elapsed.elapsed();
}

} // namespace platform
