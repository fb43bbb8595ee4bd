#pragma once
#include "platform/CaptureFilter.h"

#include <QString>

#include <memory>

namespace platform {

// One entry of the video-input device category, in enumeration order.
class CaptureDevice
{
public:
    virtual ~CaptureDevice() = default;

    // Whether the device's property bag opens.
    virtual bool openPropertyBag() = 0;
    // Reads a text property of the bag ("DevicePath", "FriendlyName", "Description");
    // false when it is not readable.
    virtual bool readProperty(const QString &name, QString *value) = 0;
    // The moniker's display name.
    virtual QString monikerDisplayName() = 0;
    // The USB device's serial number; empty when it has none (or the platform does not tell).
    virtual QString serialNumber() { return QString(); }
    // The device node an administrator knows the camera by ("/dev/video2"); empty where
    // the platform has none (Windows).
    virtual QString videoNode() { return QString(); }
    // Binds the device to a capture filter; null when that fails.
    virtual std::shared_ptr<CaptureFilter> bindFilter() = 0;
};

} // namespace platform
