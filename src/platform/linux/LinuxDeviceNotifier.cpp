#include "platform/linux/LinuxDeviceNotifier.h"

namespace platform {

bool LinuxDeviceNotifier::registerInterfaceClass(const QUuid &)
{
    return true;
}

} // namespace platform
