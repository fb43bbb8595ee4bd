#pragma once
#include "platform/DeviceChange.h"

#include <QObject>

namespace platform {

// Delivers device-change broadcasts of the registered interface classes to the GUI
// thread, like the window messages a registered window receives.
class DeviceNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // The native window the broadcasts are addressed to, where the platform delivers
    // them as window messages (Windows); other platforms ignore it.
    virtual void setWindow(quintptr window) { Q_UNUSED(window) }
    // Registers for broadcasts of one device-interface class; false when refused.
    virtual bool registerInterfaceClass(const QUuid &classGuid) = 0;

signals:
    void deviceChanged(const platform::DeviceChange &change);
};

} // namespace platform
