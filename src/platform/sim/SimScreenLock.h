#pragma once
#include "platform/ScreenLock.h"

namespace sim {

class SimRig;

// The rig's screen lock ("lock" and "unlock" commands, SimRig::setScreenLocked) as the
// window sees it: changes made on any thread arrive on the lock's own.
class SimScreenLock : public platform::ScreenLock
{
    Q_OBJECT
public:
    explicit SimScreenLock(SimRig &rig, QObject *parent = nullptr);
    ~SimScreenLock() override;

private:
    SimRig &m_rig;
};

} // namespace sim
