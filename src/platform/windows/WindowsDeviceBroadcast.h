#pragma once
#include "platform/DeviceChange.h"

#include <QByteArray>

#include <cstdint>

namespace platform {

// The device-change broadcast structures of WM_DEVICECHANGE as bytes: the registration
// filter (DEV_BROADCAST_DEVICEINTERFACE_W) and the broadcasts a window receives.
// Little-endian, as on every Windows machine.
class WindowsDeviceBroadcast
{
public:
    static constexpr std::uint32_t kFilterLength = 32;
    // Header: size, device type, reserved; an interface broadcast then has the class
    // GUID and the path (UTF-16, NUL-terminated) from byte 28.
    static constexpr std::uint32_t kHeaderLength = 12;
    static constexpr std::uint32_t kClassGuidOffset = 12;
    static constexpr std::uint32_t kNameOffset = 28;

    // The registration for one device-interface class: size 32, device type 5, the
    // class GUID and an empty name.
    static QByteArray registrationFilter(const QUuid &interfaceClass);

    // One WM_DEVICECHANGE (its wParam event and the structure its lParam points to, or
    // null) as the seam's broadcast. False when there is no structure; the path is read
    // only as far as the structure's own size says.
    static bool decode(std::uintptr_t event, const void *broadcast, DeviceChange *change);
};

} // namespace platform
