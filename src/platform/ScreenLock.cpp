#include "platform/ScreenLock.h"

namespace platform {

void ScreenLock::setLocked(bool locked)
{
    if (locked == m_locked)
        return;
    m_locked = locked;
    emit lockedChanged(locked);
}

} // namespace platform
