#pragma once
#include <QString>

namespace platform {
struct DeviceChange;
}

// The hot-plug filter: decides whether a device-change broadcast is the arrival or
// removal of a supported camera's video interface. The Windows message hook and the
// seam's notifier both run it, so every platform applies the same path checks.
namespace devicechange {

struct Verdict
{
    enum Kind {
        PassOn,     // not ours: the broadcast goes on to the default handling
        NotHandled, // a capture-class path of an unexpected form: reported as not handled
        Camera,     // a supported camera arrived or left
    };
    Kind kind = PassOn;
    bool plug = false; // arrival (true) or removal (false), for Camera
    QString path;      // the device path in lower case, for Camera
};

Verdict classifyDeviceChange(const platform::DeviceChange &change);

} // namespace devicechange
