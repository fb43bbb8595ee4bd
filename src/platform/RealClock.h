#pragma once
#include "platform/Clock.h"

#include <QElapsedTimer>

namespace platform {

class RealClock : public Clock
{
public:
    RealClock();
    void sleepMs(int ms) override;
    qint64 nowMs() const override;
    int timerIntervalMs(int ms) const override { return ms; }

private:
    QElapsedTimer m_elapsed;
};

} // namespace platform
