#pragma once
#include "platform/DeviceNotifier.h"

namespace platform {

// Device changes on Linux (udev monitoring arrives here).
class LinuxDeviceNotifier : public DeviceNotifier
{
    Q_OBJECT
public:
    using DeviceNotifier::DeviceNotifier;
    bool registerInterfaceClass(const QUuid &classGuid) override;
};

} // namespace platform
