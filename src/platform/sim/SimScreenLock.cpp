#include "platform/sim/SimScreenLock.h"

#include "platform/sim/SimRig.h"

namespace sim {

SimScreenLock::SimScreenLock(SimRig &rig, QObject *parent)
    : ScreenLock(parent)
    , m_rig(rig)
{
    setLocked(rig.screenLocked());
    rig.setScreenLockListener([this](bool locked) {
        QMetaObject::invokeMethod(this, [this, locked] { setLocked(locked); }, Qt::AutoConnection);
    });
}

SimScreenLock::~SimScreenLock()
{
    m_rig.setScreenLockListener({});
}

} // namespace sim
